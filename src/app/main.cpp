#include "store/location.h"
#include "ui/form1.h"
#include "ui/qtprompter.h"
#include "ui/resources.h"

#include <QApplication>

int main(int argc, char **argv)
{
    zov::FontConfigPreload fontConfig;
    QApplication app(argc, argv);
    QApplication::setApplicationName(zov::ApplicationTitle);
    zov::loadBoardFont();

    zov::QtPrompter prompter;
    // Beside the program in a portable folder, else the player's own, made on the first start.
    zov::Form1 window(zov::store::locateLibrary(), prompter);
    prompter.setParent(&window);
    if (!window.Load())
        return 1;
    window.showCentred();
    return app.exec();
}
