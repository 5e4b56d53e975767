#include "look/contrast.h"
#include "look/screen.h"

#include <QTest>

using namespace zov;

Q_DECLARE_METATYPE(zov::Lab)

class TestContrast : public QObject
{
    Q_OBJECT

    static QPalette scheme(QColor base, QColor mid, QColor highlight, QColor window)
    {
        QPalette p;
        p.setColor(QPalette::Base, base);
        p.setColor(QPalette::Mid, mid);
        p.setColor(QPalette::Highlight, highlight);
        p.setColor(QPalette::Window, window);
        p.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEC));
        return p;
    }

private Q_SLOTS:
    // WCAG 2 figures: the extremes, the well-known grey at the 4.5 line, and colours of the
    // board whose ratios were measured on the screen.
    void contrastRatioFollowsWcag_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("ratio");
        QTest::newRow("black on white") << QColor(0, 0, 0) << QColor(255, 255, 255) << 21.0;
        QTest::newRow("same colour") << QColor(50, 90, 200) << QColor(50, 90, 200) << 1.0;
        QTest::newRow("#767676 on white")
            << QColor(0x76, 0x76, 0x76) << QColor(255, 255, 255) << 4.54;
        QTest::newRow("navy on the given grey")
            << QColor(0, 0, 128) << QColor(212, 212, 212) << 10.80;
        QTest::newRow("navy on a dark grey")
            << QColor(0, 0, 128) << QColor(0x25, 0x25, 0x25) << 1.04;
        QTest::newRow("red on white") << QColor(255, 0, 0) << QColor(255, 255, 255) << 4.00;
    }
    void contrastRatioFollowsWcag()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, ratio);
        QVERIFY2(std::abs(contrastRatio(a, b) - ratio) < 0.01,
            qPrintable(QString::number(contrastRatio(a, b))));
        QCOMPARE(contrastRatio(a, b), contrastRatio(b, a));
    }

    // CIEDE2000: black to white is 100; the light default's backs are 9.2, 19.0 and 14.5
    // apart; two dark greys a step apart cannot be told apart.
    void colourDistanceIsCiede2000_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("distance");
        QTest::newRow("black, white") << QColor(0, 0, 0) << QColor(255, 255, 255) << 100.0;
        QTest::newRow("open, given") << QColor(255, 255, 255) << QColor(212, 212, 212) << 9.2;
        QTest::newRow("open, marked") << QColor(255, 255, 255) << QColor(162, 203, 229) << 19.0;
        QTest::newRow("given, marked") << QColor(212, 212, 212) << QColor(162, 203, 229) << 14.5;
        QTest::newRow("dark greys") << QColor(0x24, 0x24, 0x24) << QColor(0x25, 0x25, 0x25) << 0.3;
    }
    void colourDistanceIsCiede2000()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, distance);
        QVERIFY2(std::abs(colourDistance(a, b) - distance) < 0.06,
            qPrintable(QString::number(colourDistance(a, b))));
        QVERIFY(std::abs(colourDistance(a, b) - colourDistance(b, a)) < 1e-9);
    }

    // The formula itself, on pairs from the CIEDE2000 test data of Sharma, Wu and Dalal (2005):
    // hues either side of the blue turn, achromatic pairs, and a mean hue across 0 degrees.
    void ciede2000MatchesPublishedData_data()
    {
        QTest::addColumn<Lab>("p");
        QTest::addColumn<Lab>("q");
        QTest::addColumn<double>("distance");
        QTest::newRow("1") << Lab { 50, 2.6772, -79.7751 } << Lab { 50, 0, -82.7485 } << 2.0425;
        QTest::newRow("2") << Lab { 50, 3.1571, -77.2803 } << Lab { 50, 0, -82.7485 } << 2.8615;
        QTest::newRow("7") << Lab { 50, 0, 0 } << Lab { 50, -1, 2 } << 2.3669;
        QTest::newRow("13") << Lab { 50, 2.49, -0.001 } << Lab { 50, -2.49, 0.0009 } << 7.1792;
        QTest::newRow("17") << Lab { 50, 2.5, 0 } << Lab { 73, 25, -18 } << 27.1492;
        QTest::newRow("19") << Lab { 50, 2.5, 0 } << Lab { 56, -27, -3 } << 31.9030;
        QTest::newRow("25") << Lab { 60.2574, -34.0099, 36.2677 }
                            << Lab { 60.4626, -34.1751, 39.4387 } << 1.2644;
        QTest::newRow("33") << Lab { 2.0776, 0.0795, -1.135 } << Lab { 0.9033, -0.0636, -0.5514 }
                            << 0.9082;
    }
    void ciede2000MatchesPublishedData()
    {
        QFETCH(Lab, p);
        QFETCH(Lab, q);
        QFETCH(double, distance);
        QVERIFY2(std::abs(colourDistance(p, q) - distance) < 0.0001,
            qPrintable(QString::number(colourDistance(p, q), 'f', 4)));
        QVERIFY2(std::abs(colourDistance(q, p) - distance) < 0.0001,
            qPrintable(QString::number(colourDistance(q, p), 'f', 4)));
    }

    // A colour that reads is left alone; one that does not keeps its hue and moves in
    // lightness only as far as it must: a step less would not read.
    void readableOnMovesLightnessAsLittleAsNeeded_data()
    {
        QTest::addColumn<QColor>("fore");
        QTest::addColumn<QColor>("back");
        QTest::addColumn<double>("ratio");
        QTest::newRow("navy on dark grey") << QColor(0, 0, 128) << QColor(0x25, 0x25, 0x25) << 3.0;
        QTest::newRow("maroon on dark grey")
            << QColor(128, 0, 0) << QColor(0x25, 0x25, 0x25) << 3.0;
        QTest::newRow("purple on black") << QColor(128, 0, 128) << QColor(0, 0, 0) << 3.0;
        QTest::newRow("lime on white, already as on the light default")
            << QColor(0, 255, 0) << QColor(255, 255, 255) << 1.37;
        QTest::newRow("white text on light grey")
            << QColor(0xEE, 0xEE, 0xEC) << QColor(192, 192, 192) << 4.5;
        QTest::newRow("black on black") << QColor(0, 0, 0) << QColor(0, 0, 0) << 3.0;
    }
    void readableOnMovesLightnessAsLittleAsNeeded()
    {
        QFETCH(QColor, fore);
        QFETCH(QColor, back);
        QFETCH(double, ratio);
        const QColor got = readableOn(fore, back, ratio);
        QVERIFY2(contrastRatio(got, back) >= ratio, qPrintable(got.name()));
        if (contrastRatio(fore, back) >= ratio) {
            QCOMPARE(got, fore);
            return;
        }
        QVERIFY(got.hslHue() < 0 || std::abs(got.hslHue() - fore.hslHue()) <= 3);
        const int step = got.lightness() > fore.lightness() ? -1 : 1;
        const QColor nearer = QColor::fromHsl(
            std::max(fore.hslHue(), 0), fore.hslSaturation(), got.lightness() + step);
        QVERIFY2(contrastRatio(nearer, back) < ratio, qPrintable(nearer.name()));
    }

    // The backs: the light default's as they are; on schemes where they run together, moved
    // until each pair is 9 apart, the open back staying the scheme's.
    void cellBacksStandApart_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::addColumn<bool>("unchanged");
        QTest::newRow("light default") << lightDefaultPalette() << true;
        QTest::newRow("dark grey") << scheme(QColor(0x24, 0x24, 0x24), QColor(0x26, 0x26, 0x26),
            QColor(0x15, 0x53, 0x9E), QColor(0x35, 0x35, 0x35))
                                   << false;
        QTest::newRow("black") << scheme(
            QColor(0, 0, 0), QColor(0x20, 0x20, 0x20), QColor(0x3D, 0xAE, 0xE9), QColor(0, 0, 0))
                               << false;
        QTest::newRow("white, highlight white") << scheme(QColor(255, 255, 255),
            QColor(255, 255, 255), QColor(255, 255, 255), QColor(255, 255, 255))
                                                << false;
        QTest::newRow("mid grey") << scheme(QColor(128, 128, 128), QColor(128, 128, 128),
            QColor(128, 128, 128), QColor(128, 128, 128))
                                  << false;
    }
    void cellBacksStandApart()
    {
        QFETCH(QPalette, palette);
        QFETCH(bool, unchanged);
        const CellBacks backs = cellBacks(palette);
        QCOMPARE(backs.open, palette.color(QPalette::Base));
        QVERIFY2(colourDistance(backs.open, backs.given) >= MinBackDistance,
            qPrintable(backs.given.name()));
        QVERIFY2(colourDistance(backs.open, backs.marked) >= MinBackDistance,
            qPrintable(backs.marked.name()));
        QVERIFY2(colourDistance(backs.given, backs.marked) >= MinBackDistance,
            qPrintable(backs.given.name() + backs.marked.name()));
        if (unchanged) {
            QCOMPARE(backs.given, QColor(212, 212, 212));
            QCOMPARE(backs.marked, QColor(162, 203, 229));
        }
        // The edge a Fusion-like style draws from the window colour stands apart from each.
        const QColor edge = QColor(edgeWindow(palette).darker(140).rgb());
        for (const QColor &b : { backs.open, backs.given, backs.marked })
            QVERIFY2(colourDistance(edge, b) >= MinBackDistance, qPrintable(edge.name()));
        if (unchanged)
            QCOMPARE(edgeWindow(palette), palette.color(QPalette::Window));
    }
};

QTEST_MAIN(TestContrast)
#include "tst_contrast.moc"
