#include "ui/resources.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>

namespace zov {

void loadBoardFont()
{
    // Debian's fonts-wine ships these faces where fontconfig does not look for them. Only the
    // bold Tahoma is used on the board; MS Sans Serif is the classic dialog font that the
    // window's fixed layout was drawn for.
    const QString folder = QStringLiteral("/usr/share/wine/fonts/");
    for (const char *file : { "tahomabd.ttf", "ms_sans_serif.ttf" }) {
        const QString path = folder + QLatin1String(file);
        if (QFile::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
    const QString fallback = QStringLiteral("DejaVu Sans");
    QFont::insertSubstitution(QStringLiteral("Tahoma"), fallback);
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), fallback);
    QFont dialogFont(QStringLiteral("MS Sans Serif"));
    dialogFont.setPointSize(8);
    QApplication::setFont(dialogFont);
}

} // namespace zov

#include <QIcon>

QIcon zov::programIcon()
{
    static const QIcon icon = [] {
        QIcon made;
        for (int size : { 16, 32, 48 })
            made.addFile(QStringLiteral(":/icons/zovudedoda-%1.png").arg(size), QSize(size, size));
        return made;
    }();
    return icon;
}
