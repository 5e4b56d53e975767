#include "ui/resources.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QScreen>

#include <fontconfig/fontconfig.h>
#include <system_error>

namespace zov {
namespace {

constexpr qreal BitmapDpi = 96;
const QString WineFonts = QStringLiteral("/usr/share/wine/fonts/");

void addFontFile(const char *file)
{
    const QString path = WineFonts + QLatin1String(file);
    if (QFile::exists(path))
        QFontDatabase::addApplicationFont(path);
}

} // namespace

FontConfigPreload::FontConfigPreload()
{
    try {
        // fontconfig keeps one configuration for the process, set atomically by whichever
        // thread builds it first; Qt's own calls then find it made.
        m_thread = std::thread([] { FcInit(); });
    } catch (const std::system_error &) {
        // No thread to be had: Qt reads the configuration itself when it needs it.
    }
}

FontConfigPreload::~FontConfigPreload()
{
    if (m_thread.joinable())
        m_thread.join();
}

QFont dialogFont(qreal devicePixelRatio, qreal logicalDpi)
{
    if (qFuzzyCompare(devicePixelRatio, 1.0) && qFuzzyCompare(logicalDpi, BitmapDpi)) {
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setPointSize(8);
        return font;
    }
    // Tahoma at the classic 8.25 points keeps the bitmap's letter widths at 96 dpi within a
    // pixel, and its rounded pixel sizes stay closest to the bitmap's ink height times the scale.
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    return font;
}

void loadBoardFont()
{
    // Debian's fonts-wine ships these faces where fontconfig does not look for them. Only the
    // bold Tahoma is used on the board; the dialog face depends on the screens' scale.
    qreal ratio = 1;
    qreal dpi = BitmapDpi;
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (!qFuzzyCompare(screen->devicePixelRatio(), 1.0))
            ratio = screen->devicePixelRatio();
        if (!qFuzzyCompare(screen->logicalDotsPerInch(), BitmapDpi))
            dpi = screen->logicalDotsPerInch();
    }
    const QFont dialog = dialogFont(ratio, dpi);
    addFontFile("tahomabd.ttf");
    addFontFile(dialog.family() == QLatin1String("Tahoma") ? "tahoma.ttf" : "ms_sans_serif.ttf");
    const QString fallback = QStringLiteral("DejaVu Sans");
    QFont::insertSubstitution(QStringLiteral("Tahoma"), fallback);
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), fallback);
    QApplication::setFont(dialog);
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
