#include "ui/resources.h"

#include "look/fonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QtTest>
#include <memory>

using namespace zov;

namespace {

const QString WineFonts = QStringLiteral("/usr/share/wine/fonts/");

// The height of the rows that hold ink when `text` is drawn in `font` on a device with `ratio`.
int inkHeight(const QFont &font, const QString &text, qreal ratio)
{
    QImage image(QSize(400, 80) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(10, 50, text);
    painter.end();
    int top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 160) {
                top = qMin(top, y);
                bottom = qMax(bottom, y);
            }
    return bottom < top ? 0 : bottom - top + 1;
}

// The width the style leaves a check box's caption beside its indicator.
int captionRoom(const QCheckBox &box)
{
    QStyleOptionButton option;
    option.initFrom(&box);
    option.text = box.text();
    return box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box).width();
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        for (const char *file : { "ms_sans_serif.ttf", "tahoma.ttf" })
            if (QFile::exists(WineFonts + QLatin1String(file)))
                QFontDatabase::addApplicationFont(WineFonts + QLatin1String(file));
    }

    // The bitmap face only where its 96-dpi glyphs are drawn one to one: anywhere else its
    // letters would keep their size and only move apart.
    void dialogFontIsTheBitmapFaceOnlyAtOneToOne_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<qreal>("dpi");
        QTest::addColumn<QString>("family");
        const QString bitmap = BitmapFace;
        const QString scalable = ScalableFace;
        QTest::newRow("1, 96 dpi") << 1.0 << 96.0 << bitmap;
        QTest::newRow("1.25") << 1.25 << 96.0 << scalable;
        QTest::newRow("1.5") << 1.5 << 96.0 << scalable;
        QTest::newRow("1.75") << 1.75 << 96.0 << scalable;
        QTest::newRow("2") << 2.0 << 96.0 << scalable;
        QTest::newRow("0.5, below one") << 0.5 << 96.0 << scalable;
        QTest::newRow("1, 120 dpi fonts without scaling") << 1.0 << 120.0 << scalable;
        QTest::newRow("1, 144 dpi fonts without scaling") << 1.0 << 144.0 << scalable;
    }
    void dialogFontIsTheBitmapFaceOnlyAtOneToOne()
    {
        QFETCH(qreal, ratio);
        QFETCH(qreal, dpi);
        QFETCH(QString, family);
        const QFont font = dialogFont(ratio, dpi);
        QCOMPARE(font.family(), family);
        // Drawn the same as it always was at 1: 8 points; the classic 8.25 elsewhere.
        QCOMPARE(font.pointSizeF(), family == ScalableFace ? 8.25 : 8.0);
    }

    // The stand-in must keep the captions' widths, or they would no longer fit their controls,
    // and their ink height scaled within 15 % of the bitmap face's at 1.
    void scalableFaceMatchesTheBitmapFace_data()
    {
        QTest::addColumn<QString>("caption");
        for (const char *caption : { "Game No.", "Random", "New", "Clear", "Done", "Add Game Mode",
                 "Add Game", "About", "Made in Thailand", "OK" })
            QTest::newRow(caption) << QString::fromLatin1(caption);
    }
    void scalableFaceMatchesTheBitmapFace()
    {
        QFETCH(QString, caption);
        const QFont bitmap = dialogFont(1, 96);
        if (QFontInfo(bitmap).family() != bitmap.family()
            || QFontInfo(dialogFont(2, 96)).family() != ScalableFace)
            QSKIP("fonts-wine's MS Sans Serif and Tahoma are not installed");
        const QFont scalable = dialogFont(1.5, 96);
        QVERIFY(qAbs(QFontMetrics(scalable).horizontalAdvance(caption)
                    - QFontMetrics(bitmap).horizontalAdvance(caption))
            <= 2);
        const int atOne = inkHeight(bitmap, caption, 1);
        QVERIFY(atOne > 0);
        for (const qreal ratio : { 1.25, 1.5, 1.75, 2.0 }) {
            const int height = inkHeight(dialogFont(ratio, 96), caption, ratio);
            QVERIFY2(qAbs(height - ratio * atOne) <= 0.15 * ratio * atOne,
                qPrintable(
                    QStringLiteral("%1 px at %2, %3 px at 1").arg(height).arg(ratio).arg(atOne)));
        }
    }

    // A window keeps its face when the desktop sets another application font after it opened
    // (as Qt's qt6ct theme does), in every property; a window without one follows the desktop.
    void keptWindowsIgnoreLaterApplicationFonts()
    {
        const QFont before = QApplication::font();
        const auto restore = qScopeGuard([&] { QApplication::setFont(before); });
        QWidget window;
        keepDialogFace(&window);
        auto *label = new QLabel(QStringLiteral("Game No."), &window);
        const QFont kept = label->font();
        QFont desktop(QStringLiteral("DejaVu Sans"), 13, QFont::Bold, true);
        desktop.setUnderline(true);
        QApplication::setFont(desktop);
        QWidget other;
        for (const QFont &font : { label->font(), window.font() }) {
            QCOMPARE(font.family(), kept.family());
            QCOMPARE(font.pointSizeF(), kept.pointSizeF());
            QCOMPARE(font.weight(), kept.weight());
            QVERIFY(!font.italic());
            QVERIFY(!font.underline());
        }
        QCOMPARE(other.font().pointSize(), 13);
        QVERIFY(other.font().bold());
    }

    // Under every style Qt has here, the two check boxes of the window give their captions room
    // enough, within the room they are given; where a style already does (Fusion, Windows, at
    // the design face), the box keeps its place to the pixel.
    void checkBoxesFitTheirCaptions_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("design");
        QTest::addColumn<QRect>("room");
        for (const QString &style : QStyleFactory::keys()) {
            QTest::addRow("%s, Random", qPrintable(style))
                << style << QStringLiteral("Random") << QRect(376, 32, 65, 17)
                << QRect(376, 32, 97, 17);
            QTest::addRow("%s, Add Game Mode", qPrintable(style))
                << style << QStringLiteral("Add Game Mode") << QRect(368, 248, 105, 17)
                << QRect(362, 248, 111, 17);
        }
    }
    void checkBoxesFitTheirCaptions()
    {
        QFETCH(QString, style);
        QFETCH(QString, caption);
        QFETCH(QRect, design);
        QFETCH(QRect, room);
        if (QFontInfo(dialogFont(1, 96)).family() != BitmapFace)
            QSKIP("fonts-wine's MS Sans Serif is not installed");
        const std::unique_ptr<QStyle> drawn(QStyleFactory::create(style));
        QVERIFY(drawn);
        QWidget surface;
        surface.setFont(dialogFont(1, 96));
        QCheckBox box(caption, &surface);
        box.setStyle(drawn.get());
        box.setGeometry(design);
        const bool fitted = captionRoom(box) >= box.fontMetrics().horizontalAdvance(caption);
        fitCheckBox(&box, room);
        QVERIFY2(captionRoom(box) >= box.fontMetrics().horizontalAdvance(caption),
            qPrintable(QStringLiteral("%1 px for %2 px")
                           .arg(captionRoom(box))
                           .arg(box.fontMetrics().horizontalAdvance(caption))));
        QVERIFY(room.contains(box.geometry()));
        QCOMPARE(box.geometry().top(), design.top());
        QCOMPARE(box.height(), design.height());
        if (style == QLatin1String("Fusion") || style == QLatin1String("Windows")) {
            QVERIFY(fitted);
            QCOMPARE(box.geometry(), design);
        }
    }

    // A caption wider than all the room there is: the box takes the room, and no more.
    void checkBoxStaysInsideTooLittleRoom()
    {
        QWidget surface;
        QCheckBox box(QStringLiteral("A caption far wider than the room it has"), &surface);
        box.setGeometry(40, 10, 30, 17);
        fitCheckBox(&box, QRect(20, 10, 60, 17));
        QCOMPARE(box.geometry(), QRect(20, 10, 60, 17));
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
