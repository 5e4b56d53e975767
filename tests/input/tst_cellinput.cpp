#include "input/board.h"
#include "input/cellinput.h"
#include "look/screen.h"
#include "ui/resources.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <optional>

using namespace zov;

class TestCellInput : public QObject
{
    Q_OBJECT
    QWidget *m_window = nullptr;
    input::Board *m_board = nullptr;
    std::optional<input::Board::Action> m_writing;

    input::BoardBox *cell(int i) { return m_board->txtRow1(i); }

    // The first and last columns of a picture that show the number: its colours are not grey,
    // the frame's and the back's are.
    static std::pair<int, int> inkColumns(const QImage &picture)
    {
        int first = -1, last = -1;
        for (int x = 0; x < picture.width(); ++x)
            for (int y = 0; y < picture.height(); ++y) {
                const QColor c = picture.pixelColor(x, y);
                if (std::max({ c.red(), c.green(), c.blue() })
                        - std::min({ c.red(), c.green(), c.blue() })
                    > 16) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
            }
        return { first, last };
    }

private Q_SLOTS:
    // The game loads its board font before it builds the window; so do we.
    void initTestCase() { loadBoardFont(); }
    void init()
    {
        m_window = new QWidget;
        m_window->resize(478, 360);
        m_board = new input::Board(m_window);
        // The program's own writes run inside an action, as the game's do; one for each test.
        m_writing.emplace(*m_board);
        m_window->show();
        QApplication::setActiveWindow(m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }
    void cleanup()
    {
        m_writing.reset();
        delete m_window;
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // Typed text: only the digits 1 to 9 stay, each in its own colour.
    void filterKeepsOnlyNonZeroDigits_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("zero") << "0"
                              << "";
        QTest::newRow("letter") << "a"
                                << "";
        QTest::newRow("blank") << " "
                               << "";
        QTest::newRow("plus") << "+"
                              << "";
        QTest::newRow("minus") << "-"
                               << "";
        QTest::newRow("point") << "."
                               << "";
        QTest::newRow("letter e") << "e"
                                  << "";
        for (char d = '1'; d <= '9'; ++d)
            QTest::newRow(QByteArray(1, d).constData())
                << QString(QLatin1Char(d)) << QString(QLatin1Char(d));
    }
    void filterKeepsOnlyNonZeroDigits()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        cell(5)->setFocus();
        QTest::keyClicks(cell(5), typed);
        QCOMPARE(cell(5)->text(), kept);
        const ColourValue expected = kept.isEmpty()
            ? cell(6)->foreColour()
            : DigitColours[static_cast<std::size_t>(kept.toInt() - 1)];
        QCOMPARE(cell(5)->foreColour(), expected);
        // What the player sees is the colour too, not only the value we keep.
        QCOMPARE(cell(5)->palette().color(QPalette::Text), screenColour(expected, QPalette()));
        // Typing again into the emptied cell works.
        QTest::keyClicks(cell(5), QStringLiteral("4"));
        QCOMPARE(cell(5)->text(), kept.isEmpty() ? QStringLiteral("4") : kept);
    }

    // Deleting keeps the last digit's colour; a program write colours like typing does.
    void colourFollowsEveryDigitWrite()
    {
        QTest::keyClicks(cell(7), QStringLiteral("7"));
        QCOMPARE(cell(7)->foreColour(), ColourValue(0xFF8080));
        QTest::keyClick(cell(7), Qt::Key_Backspace);
        QCOMPARE(cell(7)->text(), QString());
        QCOMPARE(cell(7)->foreColour(), ColourValue(0xFF8080));
        m_board->setText(8, QStringLiteral("3"));
        QCOMPARE(cell(8)->foreColour(), ColourValue(0x008000));
        // A cell holds one character: a further keystroke adds nothing.
        cell(8)->setCursorPosition(1);
        QTest::keyClicks(cell(8), QStringLiteral("5"));
        QCOMPARE(cell(8)->text(), QStringLiteral("3"));
        // Writing the text a box already holds runs nothing.
        QSignalSpy spy(cell(9), &QLineEdit::textChanged);
        m_board->setText(9, QString());
        QCOMPARE(spy.count(), 0);
    }

    // The game-number box: 5 turns maroon, 12 stays and keeps maroon, 0 is emptied.
    void gameNumberBoxIsFilteredToo()
    {
        m_board->setText(0, QStringLiteral("5"));
        QCOMPARE(cell(0)->foreColour(), ColourValue(0x000080));
        m_board->setText(0, QStringLiteral("12"));
        QCOMPARE(m_board->gameNumberText(), QStringLiteral("12"));
        QCOMPARE(cell(0)->foreColour(), ColourValue(0x000080));
        m_board->setText(0, QStringLiteral("0"));
        QCOMPARE(m_board->gameNumberText(), QString());
        QVERIFY(!cell(0)->isEnabled());
        QVERIFY(input::keepsText(QStringLiteral(" 1e3 ")));
        QVERIFY(!input::keepsText(QStringLiteral("0.0")));
    }

    // Every game number is drawn whole inside its box, a pixel clear of the frame: in the box's
    // own font, Tahoma 15.75 point bold, when it fits, and smaller when it does not, never
    // scrolled to its last digits. Two digits always fit in the board's Tahoma.
    void gameNumberFitsItsBox()
    {
        input::GameNumberBox *box = m_board->gameNumberBox();
        const QRect area = box->numberArea();
        QVERIFY(area.left() > 0 && area.right() < box->width() - 1);
        const qreal room = area.width() - 2;
        QCOMPARE(box->font().pointSizeF(), 15.75);
        const QFontMetricsF designed(box->font(), box);
        const bool tahoma = QFontInfo(box->font()).family() == QLatin1String("Tahoma");
        for (int n = 1; n <= MaxGameNumber; ++n) {
            const QString number = QString::number(n);
            m_board->setText(0, number);
            const QFont shown = box->numberFont();
            const qreal width = QFontMetricsF(shown, box).horizontalAdvance(number);
            const bool fits = designed.horizontalAdvance(number) <= room;
            if (width > room || fits != (shown.pointSizeF() == 15.75)
                || (tahoma && n < 100 && !fits) || shown.family() != box->font().family()
                || !shown.bold())
                QFAIL(qPrintable(QStringLiteral("%1 is drawn %2 px wide in %3 %4 pt, in %5 px")
                                     .arg(number)
                                     .arg(width)
                                     .arg(shown.family())
                                     .arg(shown.pointSizeF())
                                     .arg(room)));
        }
        // What a screen reader reads stays the number itself.
        QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(box);
        QVERIFY(reader);
        QCOMPARE(reader->text(QAccessible::Value), QString::number(MaxGameNumber));
        QCOMPARE(reader->text(QAccessible::Name), QStringLiteral("Game No."));
    }

    // On the screen: 101, 201 and 1101 look different (a scrolled box shows "01" for each), and
    // 32767 stands whole and centred inside the frame.
    void gameNumbersLookDifferentAndWhole()
    {
        input::GameNumberBox *box = m_board->gameNumberBox();
        const auto picture = [&](int n) {
            m_board->setText(0, QString::number(n));
            return box->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        const QImage p101 = picture(101), p201 = picture(201), p1101 = picture(1101);
        QVERIFY(p101 != p201);
        QVERIFY(p101 != p1101);
        QVERIFY(p201 != p1101);

        const QImage p32767 = picture(MaxGameNumber);
        QCOMPARE(p32767.size(), box->size());
        const QRect area = box->numberArea();
        const auto [first, last] = inkColumns(p32767);
        QVERIFY2(first > area.left() && last < area.right(),
            qPrintable(QStringLiteral("%1 to %2").arg(first).arg(last)));
        const qreal ink = QFontMetricsF(box->numberFont(), box)
                              .tightBoundingRect(QString::number(MaxGameNumber))
                              .width();
        QVERIFY2(last - first + 1 >= ink - 1, qPrintable(QString::number(last - first + 1)));
        QVERIFY(qAbs((first - area.left()) - (area.right() - last)) <= 2);
    }

    // The disabled game-number box keeps its white back and its text colour: the toolkit would
    // grey both out.
    void gameNumberBoxKeepsItsColoursWhenDisabled()
    {
        input::GameNumberBox *box = m_board->gameNumberBox();
        m_board->setText(0, QStringLiteral("12"));
        QVERIFY(!box->isEnabled());
        const QColor white(255, 255, 255), text(0, 192, 192);
        QCOMPARE(box->palette().color(QPalette::Disabled, QPalette::Base), white);
        QCOMPARE(box->palette().color(QPalette::Disabled, QPalette::Text), text);
        const QImage shown = box->grab().toImage();
        const QRect area = box->numberArea();
        int inWhite = 0, inText = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                inWhite += shown.pixelColor(x, y) == white;
                inText += shown.pixelColor(x, y) == text;
            }
        QVERIFY2(inWhite > area.width() * area.height() / 2, qPrintable(QString::number(inWhite)));
        QVERIFY2(inText >= 20, qPrintable(QString::number(inText)));
    }

    // Arrow keys move by +9, -9, +1, -1, wrap rows left and right, stop at the edges.
    void arrowsMoveTheFocus_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("to");
        QTest::newRow("up from 5") << 5 << int(Qt::Key_Up) << 0 << 14;
        QTest::newRow("down from 14") << 14 << int(Qt::Key_Down) << 0 << 5;
        QTest::newRow("down from 5 stays") << 5 << int(Qt::Key_Down) << 0 << 5;
        QTest::newRow("right from 9 wraps") << 9 << int(Qt::Key_Right) << 0 << 10;
        QTest::newRow("left from 10 wraps") << 10 << int(Qt::Key_Left) << 0 << 9;
        QTest::newRow("right from 81 stays") << 81 << int(Qt::Key_Right) << 0 << 81;
        QTest::newRow("left from 1 stays") << 1 << int(Qt::Key_Left) << 0 << 1;
        QTest::newRow("up from 77 stays") << 77 << int(Qt::Key_Up) << 0 << 77;
        QTest::newRow("shift up") << 5 << int(Qt::Key_Up) << int(Qt::ShiftModifier) << 14;
        QTest::newRow("ctrl alt right")
            << 40 << int(Qt::Key_Right) << int(Qt::ControlModifier | Qt::AltModifier) << 41;
        QTest::newRow("keypad 8, num lock off")
            << 40 << int(Qt::Key_Up) << int(Qt::KeypadModifier) << 49;
        QTest::newRow("onto a given cell") << 22 << int(Qt::Key_Up) << 0 << 31;
    }
    void arrowsMoveTheFocus()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, to);
        m_board->setText(31, QStringLiteral("4"));
        m_board->setBackColour(31, GivenColour);
        cell(from)->setFocus();
        QTRY_VERIFY(cell(from)->hasFocus());
        QTest::keyClick(cell(from), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY(cell(to)->hasFocus());
        QCOMPARE(m_board->text(31), QStringLiteral("4"));
    }

    // Keypad 1-9 replace an open or marked cell's digit in one stroke; nothing else does.
    void keypadDigitsOverwrite_data()
    {
        QTest::addColumn<int>("back");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("result");
        QTest::newRow("keypad 7, open")
            << int(OpenColour) << int(Qt::Key_7) << int(Qt::KeypadModifier) << "7";
        QTest::newRow("keypad 7, marked")
            << int(MarkColour) << int(Qt::Key_7) << int(Qt::KeypadModifier) << "7";
        QTest::newRow("keypad 7, given")
            << int(GivenColour) << int(Qt::Key_7) << int(Qt::KeypadModifier) << "3";
        QTest::newRow("main 7") << int(OpenColour) << int(Qt::Key_7) << 0 << "3";
        QTest::newRow("keypad 0") << int(OpenColour) << int(Qt::Key_0) << int(Qt::KeypadModifier)
                                  << "3";
    }
    void keypadDigitsOverwrite()
    {
        QFETCH(int, back);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, result);
        m_board->setText(20, QStringLiteral("3"));
        m_board->setBackColour(20, ColourValue(back));
        cell(20)->setFocus();
        cell(20)->setCursorPosition(1);
        QTest::keyClick(cell(20), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(m_board->text(20), result);
        QCOMPARE(cell(20)->foreColour(), *input::digitColour(result));
        QCOMPARE(m_board->backColour(20), ColourValue(back));
    }

    // Right-click marks and unmarks open cells, never given ones; other buttons change nothing,
    // and no context menu opens.
    void rightClickTogglesTheMark()
    {
        m_board->setBackColour(2, GivenColour);
        const auto click = [&](int i, Qt::MouseButton b) {
            QTest::mouseClick(
                m_window->windowHandle(), b, {}, cell(i)->mapTo(m_window, QPoint(10, 10)));
        };
        click(1, Qt::RightButton);
        QCOMPARE(m_board->backColour(1), MarkColour);
        QVERIFY(!QApplication::activePopupWidget());
        QCOMPARE(cell(1)->accessibleDescription(), QStringLiteral("marked"));
        click(1, Qt::RightButton);
        QCOMPARE(m_board->backColour(1), OpenColour);
        click(2, Qt::RightButton);
        QCOMPARE(m_board->backColour(2), GivenColour);
        click(3, Qt::LeftButton);
        click(3, Qt::MiddleButton);
        QCOMPARE(m_board->backColour(3), OpenColour);
        // A press soon after the last arrives as a double click and toggles all the same.
        const QPoint at = cell(4)->mapTo(m_window, QPoint(10, 10));
        QTest::mouseDClick(m_window->windowHandle(), Qt::RightButton, {}, at);
        QCOMPARE(m_board->backColour(4), OpenColour);
        QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(10, 10),
            cell(4)->mapToGlobal(QPointF(10, 10)), Qt::RightButton, Qt::RightButton,
            Qt::NoModifier);
        QApplication::sendEvent(cell(4), &twice);
        QCOMPARE(m_board->backColour(4), MarkColour);
        // The three states look different on screen.
        const QPalette p;
        QVERIFY(screenColour(OpenColour, p) != screenColour(GivenColour, p));
        QVERIFY(screenColour(OpenColour, p) != screenColour(MarkColour, p));
        QVERIFY(screenColour(GivenColour, p) != screenColour(MarkColour, p));
    }

    // The middle button does nothing to a cell: no paste of the X selection, no colour, not even
    // a cursor move (where the platform has no selection, that shows the box never saw it).
    void middleButtonLeavesCellsAlone()
    {
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection())
            clipboard->setText(QStringLiteral("7"), QClipboard::Selection);
        m_board->setText(10, QStringLiteral("5"));
        cell(10)->setCursorPosition(1);
        const QPoint leftEdge = cell(10)->mapTo(m_window, QPoint(2, cell(10)->height() / 2));
        QTest::mouseClick(m_window->windowHandle(), Qt::MiddleButton, {}, leftEdge);
        QTest::mouseDClick(m_window->windowHandle(), Qt::MiddleButton, {}, leftEdge);
        QCOMPARE(m_board->text(10), QStringLiteral("5"));
        QCOMPARE(cell(10)->cursorPosition(), 1);
        QCOMPARE(m_board->backColour(10), OpenColour);
        QTest::mouseClick(m_window->windowHandle(), Qt::MiddleButton, {},
            cell(11)->mapTo(m_window, QPoint(10, 10)));
        QCOMPARE(m_board->text(11), QString());
        QCOMPARE(m_board->backColour(11), OpenColour);
        QCOMPARE(cell(11)->palette().color(QPalette::Base), screenColour(OpenColour, QPalette()));
    }
};

QTEST_MAIN(TestCellInput)
#include "tst_cellinput.moc"
