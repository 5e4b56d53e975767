#include "store/location.h"
#include "ui/fonts.h"
#include "ui/form1.h"
#include "ui/qtprompter.h"

#include <QApplication>
#include <QDir>
#include <QFile>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(zov::ApplicationTitle);
    zov::loadBoardFont();

    zov::QtPrompter prompter;
    // Beside the program in a portable folder, else the player's own, made on the first start.
    const zov::store::LibraryPlace place = zov::store::locateLibrary();
    const QString path = QFile::decodeName(place.path.c_str());
    if (const auto provided = zov::store::provideLibrary(place); !provided) {
        prompter.messageBox(QStringLiteral("The puzzle library cannot be made:\n%1\n\n%2")
                                .arg(QDir::toNativeSeparators(path),
                                    QString::fromStdString(provided.error().reason)),
            zov::MessageStyle::Critical, zov::WindowCaption);
        return 1;
    }
    zov::Form1 window(path, prompter);
    prompter.setParent(&window);
    if (!window.Load())
        return 1;
    window.showCentred();
    return app.exec();
}
