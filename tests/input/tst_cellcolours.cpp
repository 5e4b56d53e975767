#include "input/board.h"
#include "look/contrast.h"
#include "look/screen.h"
#include "ui/resources.h"

#include <QApplication>
#include <QStyle>
#include <QTest>
#include <optional>

#include <map>

using namespace zov;

// The colours the board draws, read from its pixels and compared with values written out here:
// a wrong entry in the game's colour tables, or a scheme adaptation that leaks into the light
// default, shows as a wrong pixel.
class TestCellColours : public QObject
{
    Q_OBJECT
    QWidget *m_window = nullptr;
    input::Board *m_board = nullptr;
    std::optional<input::Board::Action> m_writing;

    // The digits' colours, 1 to 9, written out: navy, red, green, teal, maroon, lime, periwinkle,
    // purple, olive.
    static constexpr QRgb inks[] = { 0x000080, 0xFF0000, 0x008000, 0x00C0C0, 0x800000, 0x00FF00,
        0x8080FF, 0x800080, 0x808000 };

    // A dark scheme like a desktop's: the given grey is nearly the open back, the text white.
    static QPalette darkScheme()
    {
        QPalette p(QColor(0xEE, 0xEE, 0xEC), QColor(0x35, 0x35, 0x35), QColor(0x48, 0x48, 0x48),
            QColor(0x20, 0x20, 0x20), QColor(0x26, 0x26, 0x26), QColor(0xEE, 0xEE, 0xEC),
            QColor(0xFF, 0xFF, 0xFF), QColor(0x24, 0x24, 0x24), QColor(0x35, 0x35, 0x35));
        p.setColor(QPalette::Highlight, QColor(0x15, 0x53, 0x9E));
        return p;
    }

    struct Shown
    {
        QColor back, ink;
    };
    // The back beside the digit, and the digit's full colour: the commonest colour in the box
    // that is clearly not the back (the glyph's smoothed rim has many colours, its body one).
    static Shown shown(input::BoardBox *box)
    {
        const QImage picture = box->grab().toImage();
        const QColor back = picture.pixelColor(4, picture.height() / 2);
        std::map<QRgb, int> counts;
        for (int y = 3; y < picture.height() - 3; ++y)
            for (int x = 3; x < picture.width() - 3; ++x) {
                const QColor c = picture.pixelColor(x, y);
                if (colourDistance(c, back) > 12)
                    ++counts[c.rgb()];
            }
        QRgb ink = 0;
        int most = 0;
        for (const auto &[rgb, n] : counts)
            if (n > most) {
                ink = rgb;
                most = n;
            }
        return { back, most ? QColor(ink) : QColor() };
    }

private Q_SLOTS:
    void initTestCase() { loadBoardFont(); }
    void init()
    {
        QApplication::setPalette(QApplication::style()->standardPalette());
        m_window = new QWidget;
        m_window->resize(478, 360);
        m_board = new input::Board(m_window);
        // The program's own writes run inside an action, as the game's do; one for each test.
        m_writing.emplace(*m_board);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup()
    {
        m_writing.reset();
        delete m_window;
        QApplication::setPalette(QApplication::style()->standardPalette());
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // The scheme the tests start from is the light default the fixed colours were chosen on.
    void lightDefaultIsTheApplicationsScheme()
    {
        const QPalette app = QApplication::palette(m_board->txtRow1(1));
        const CellBacks ours = cellBacks(lightDefaultPalette());
        const CellBacks theirs = cellBacks(app);
        QCOMPARE(theirs.open, ours.open);
        QCOMPARE(theirs.given, ours.given);
        QCOMPARE(theirs.marked, ours.marked);
    }

    // Each digit in its colour on each of the three backs of the light default, as drawn.
    void digitsAreDrawnInTheirColours_data()
    {
        QTest::addColumn<QString>("digit");
        QTest::addColumn<QColor>("ink");
        QTest::addColumn<ColourValue>("backValue");
        QTest::addColumn<QColor>("back");
        const struct
        {
            const char *name;
            ColourValue value;
            QColor back;
        } backs[] = { { "open", OpenColour, { 255, 255, 255 } },
            { "given", GivenColour, { 212, 212, 212 } },
            { "marked", MarkColour, { 162, 203, 229 } } };
        for (const auto &b : backs)
            for (int d = 1; d <= 9; ++d)
                QTest::addRow("%d %s", d, b.name)
                    << QString::number(d) << QColor(inks[d - 1]) << b.value << b.back;
    }
    void digitsAreDrawnInTheirColours()
    {
        QFETCH(QString, digit);
        QFETCH(QColor, ink);
        QFETCH(ColourValue, backValue);
        QFETCH(QColor, back);
        const int cell = 41;
        m_board->setBackColour(cell, backValue);
        m_board->setText(cell, digit);
        const Shown s = shown(m_board->txtRow1(cell));
        QCOMPARE(s.back, back);
        QCOMPARE(s.ink, ink);
    }

    // The game-number box: white back, the starting text colour, and a single digit's colour.
    void gameNumberBoxIsDrawnInItsColours_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QColor>("ink");
        QTest::newRow("two digits, starting colour") << QStringLiteral("12") << QColor(0, 192, 192);
        QTest::newRow("2, digit colour") << QStringLiteral("2") << QColor(255, 0, 0);
        QTest::newRow("8, digit colour") << QStringLiteral("8") << QColor(128, 0, 128);
    }
    void gameNumberBoxIsDrawnInItsColours()
    {
        QFETCH(QString, number);
        QFETCH(QColor, ink);
        m_board->setText(0, number);
        const Shown s = shown(m_board->txtRow1(0));
        QCOMPARE(s.back, QColor(255, 255, 255));
        QCOMPARE(s.ink, ink);
    }

    // A scheme change while the game runs is followed at once: on a dark scheme the three
    // backs stand apart, every digit reads at least as the rule asks, and back on the light
    // scheme every pixel is as before.
    void schemeChangeIsFollowedWithoutARestart()
    {
        const struct
        {
            ColourValue value;
            QColor lightBack;
            int firstCell;
        } kinds[] = { { OpenColour, { 255, 255, 255 }, 1 }, { GivenColour, { 212, 212, 212 }, 19 },
            { MarkColour, { 162, 203, 229 }, 37 } };
        for (const auto &k : kinds)
            for (int d = 1; d <= 9; ++d) {
                m_board->setBackColour(k.firstCell + d - 1, k.value);
                m_board->setText(k.firstCell + d - 1, QString::number(d));
            }
        const QImage before = m_window->grab().toImage();

        QApplication::setPalette(darkScheme());
        QCoreApplication::processEvents();
        QColor backs[3];
        for (int n = 0; n < 3; ++n) {
            const auto &k = kinds[n];
            for (int d = 1; d <= 9; ++d) {
                const Shown s = shown(m_board->txtRow1(k.firstCell + d - 1));
                const double need = std::min(3.0, contrastRatio(QColor(inks[d - 1]), k.lightBack));
                QVERIFY2(s.ink.isValid() && contrastRatio(s.ink, s.back) >= need,
                    qPrintable(QStringLiteral("digit %1 on %2: %3 < %4")
                                   .arg(d)
                                   .arg(s.back.name())
                                   .arg(contrastRatio(s.ink, s.back))
                                   .arg(need)));
                // The hue stays: only the lightness moves.
                QVERIFY(std::abs(s.ink.hslHue() - QColor(inks[d - 1]).hslHue()) <= 3);
                backs[n] = s.back;
            }
        }
        QCOMPARE(backs[0], QColor(0x24, 0x24, 0x24));
        QVERIFY(colourDistance(backs[0], backs[1]) >= 9);
        QVERIFY(colourDistance(backs[0], backs[2]) >= 9);
        QVERIFY(colourDistance(backs[1], backs[2]) >= 9);

        QApplication::setPalette(QApplication::style()->standardPalette());
        QCoreApplication::processEvents();
        QCOMPARE(m_window->grab().toImage(), before);
    }
};

QTEST_MAIN(TestCellColours)
#include "tst_cellcolours.moc"
