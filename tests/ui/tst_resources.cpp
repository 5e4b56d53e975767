#include "ui/resources.h"

#include "look/fonts.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QtTest>

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
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
