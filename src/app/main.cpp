#include "ui/resources.h"
#include "ui/form1.h"
#include "ui/qtprompter.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(zov::ApplicationTitle);
    zov::loadBoardFont();

    zov::QtPrompter prompter;
    zov::Form1 window(zov::Form1::defaultLibraryPath(), prompter);
    prompter.setParent(&window);
    if (!window.Load())
        return 1;
    window.showCentred();
    return app.exec();
}
