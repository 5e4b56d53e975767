#include "ui/resources.h"

#include "look/fonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QScreen>

#include <algorithm>
#include <fontconfig/fontconfig.h>
#include <optional>
#include <system_error>

namespace zov {
namespace {

constexpr qreal BitmapDpi = 96;
const QString WineFonts = QStringLiteral("/usr/share/wine/fonts/");

// The screen's scale and dpi for which loadBoardFont chose the dialog font. Kept as numbers: a
// QFont left to static destruction would outlive the application's font cache.
struct DialogScreen
{
    qreal ratio, dpi;
};
std::optional<DialogScreen> dialogScreen;

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
        QFont font(BitmapFace);
        font.setPointSize(BitmapFacePoints);
        return font;
    }
    QFont font(ScalableFace);
    font.setPointSizeF(ScalableFacePoints);
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
    addFontFile(dialog.family() == ScalableFace ? "tahoma.ttf" : "ms_sans_serif.ttf");
    const QString fallback = QStringLiteral("DejaVu Sans");
    QFont::insertSubstitution(ScalableFace, fallback);
    QFont::insertSubstitution(BitmapFace, fallback);
    QApplication::setFont(dialog);
    dialogScreen = DialogScreen { ratio, dpi };
}

void keepDialogFace(QWidget *window)
{
    QFont face
        = dialogScreen ? dialogFont(dialogScreen->ratio, dialogScreen->dpi) : QApplication::font();
    // Every property counts as the window's own, so that no later application font reaches
    // its captions, not even in weight or slant.
    face.setResolveMask(QFont::AllPropertiesResolved);
    window->setFont(face);
}

void fitCheckBox(QCheckBox *box, const QRect &room)
{
    QRect placed = box->geometry();
    const int wanted = std::min(box->sizeHint().width(), room.width());
    if (wanted <= placed.width())
        return;
    placed.setWidth(wanted);
    if (placed.right() > room.right())
        placed.moveRight(room.right());
    if (placed.left() < room.left())
        placed.moveLeft(room.left());
    box->setGeometry(placed);
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
