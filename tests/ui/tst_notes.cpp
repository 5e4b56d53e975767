#include "input/keys.h"
#include "look/screen.h"
#include "support/testsupport.h"
#include "support/windowsupport.h"
#include "ui/form1.h"
#include "ui/resources.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace zov;
using puzzles::digitBit;
using Notes = puzzles::Digits;

class TestNotes : public QObject, test::WindowFixture
{
    Q_OBJECT

    void ctrl(int i, Qt::Key key, Qt::KeyboardModifiers more = {})
    {
        cell(i)->setFocus();
        QTest::keyClick(cell(i), key, Qt::ControlModifier | more);
    }
    static Notes notesOf(std::initializer_list<int> digits)
    {
        Notes n = 0;
        for (const int d : digits)
            n = static_cast<Notes>(n | digitBit(d));
        return n;
    }

    static int difference(const QColor &a, const QColor &b)
    {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green())
            + std::abs(a.blue() - b.blue());
    }

private Q_SLOTS:
    void initTestCase()
    {
        loadBoardFont();
        test::makeLibrary(m_path, 2, 30);
    }
    void init() { QVERIFY(openFresh()); }
    void cleanup() { QVERIFY(closeWindow()); }

    // Ctrl+digit toggles a note of an empty open or marked cell, never of a given cell or one
    // holding a digit; nothing is typed, and the text stays the whole game state.
    void ctrlDigitTogglesANote()
    {
        const int i = openCell();
        ctrl(i, Qt::Key_2);
        ctrl(i, Qt::Key_7);
        ctrl(i, Qt::Key_5);
        QCOMPARE(board().notes(i), notesOf({ 2, 5, 7 }));
        QCOMPARE(board().text(i), QString());
        QCOMPARE(cell(i)->accessibleDescription(), QStringLiteral("notes 2 5 7"));
        ctrl(i, Qt::Key_5);
        QCOMPARE(board().notes(i), notesOf({ 2, 7 }));

        const int marked = openCell(i);
        QTest::mouseClick(cell(marked), Qt::RightButton);
        ctrl(marked, Qt::Key_9);
        QCOMPARE(board().notes(marked), notesOf({ 9 }));
        QCOMPARE(cell(marked)->accessibleDescription(), QStringLiteral("marked, notes 9"));

        const int given = givenCell();
        ctrl(given, Qt::Key_3);
        QCOMPARE(board().notes(given), Notes(0));
        const int holding = openCell(marked);
        cell(holding)->setFocus();
        QTest::keyClick(cell(holding), Qt::Key_4);
        ctrl(holding, Qt::Key_3);
        QCOMPARE(board().notes(holding), Notes(0));
        QCOMPARE(board().text(holding), QStringLiteral("4"));
    }

    // On layouts whose digits need Shift, Ctrl+Shift+digit toggles as well; the key counts, not
    // the character, also where only the key's place says which digit it is. The keypad's keys,
    // with any modifier, are never note keys.
    void digitKeysNeedingShift()
    {
        const int i = openCell();
        ctrl(i, Qt::Key_1, Qt::ShiftModifier);
        QCOMPARE(board().notes(i), notesOf({ 1 }));
        using input::commandOf;
        // AZERTY's unshifted "&" is the 1 key; its "à" the 0 key.
        const auto one = commandOf(Qt::Key_Ampersand, Qt::ControlModifier, 10);
        QVERIFY(one && one->command == input::Command::ToggleNote && one->digit == 1);
        const auto nine = commandOf(Qt::Key_Ccedilla, Qt::ControlModifier, 18);
        QVERIFY(nine && nine->digit == 9);
        const auto zero = commandOf(Qt::Key_Agrave, Qt::ControlModifier, 19);
        QVERIFY(zero && zero->command == input::Command::ClearNotes);
        QVERIFY(!commandOf(Qt::Key_Ampersand, Qt::ControlModifier, 0));
        QVERIFY(!commandOf(Qt::Key_5, Qt::ControlModifier | Qt::KeypadModifier, 0));
        QVERIFY(!commandOf(Qt::Key_5, Qt::NoModifier, 0));
        QVERIFY(!commandOf(Qt::Key_Up, Qt::ControlModifier, 0));
        QVERIFY(!commandOf(Qt::Key_2, Qt::ControlModifier | Qt::AltModifier, 0));
    }

    // The keypad keeps its overwrite with Ctrl, Shift or Alt held, and arrows still move.
    void keypadAndArrowsKeepTheirEffectWithModifiers()
    {
        const int i = openCell();
        cell(i)->setFocus();
        QTest::keyClick(cell(i), Qt::Key_3);
        for (const auto mods : { Qt::ControlModifier, Qt::ShiftModifier, Qt::AltModifier }) {
            QTest::keyClick(cell(i), Qt::Key_7, mods | Qt::KeypadModifier);
            QCOMPARE(board().text(i), QStringLiteral("7"));
            test::arrange(board(), [&] { board().setText(i, QStringLiteral("3")); });
        }
        QCOMPARE(board().notes(i), Notes(0));
        const int from = 41;
        cell(from)->setFocus();
        QTest::keyClick(cell(from), Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), cell(50));
    }

    // Notes are drawn in their ninths, each in its digit's colour, and only while the cell is
    // empty; they leave the frame and the back round them alone.
    void notesAreDrawnInTheirNinths()
    {
        const int i = openCell();
        // Away from the cursor, which blinks in the middle of the focused cell.
        cell(openCell(i))->setFocus();
        const QImage bare = cell(i)->grab().toImage();
        test::arrange(board(), [&] { board().setNotes(i, notesOf({ 1, 5, 9 })); });
        const QImage drawn = cell(i)->grab().toImage();
        const QColor open = shownBack(OpenColour, QApplication::palette());
        for (int d = 1; d <= 9; ++d) {
            const QRect ninth = cell(i)->noteArea(d);
            const QColor ink
                = screenColour(DigitColours[std::size_t(d - 1)], lightDefaultPalette());
            // The ink: rows where the picture moved, and its strongest pixel in the note's colour.
            int inkRows = 0;
            int strongest = 0;
            QColor strongestColour;
            for (int y = ninth.top(); y <= ninth.bottom(); ++y) {
                bool row = false;
                for (int x = ninth.left(); x <= ninth.right(); ++x) {
                    const int moved = difference(drawn.pixelColor(x, y), bare.pixelColor(x, y));
                    row = row || moved > 60;
                    if (moved > strongest) {
                        strongest = moved;
                        strongestColour = drawn.pixelColor(x, y);
                    }
                }
                inkRows += row;
            }
            if (d == 1 || d == 5 || d == 9) {
                QVERIFY2(inkRows >= 6,
                    qPrintable(QStringLiteral("note %1: %2 rows").arg(d).arg(inkRows)));
                QVERIFY2(difference(strongestColour, ink) < 72,
                    qPrintable(QStringLiteral("note %1 drawn in %2, not %3")
                                   .arg(d)
                                   .arg(strongestColour.name(), ink.name())));
            } else {
                QCOMPARE(inkRows, 0);
            }
        }
        // Outside the ninths (the frame) nothing moved.
        QRect ninths = cell(i)->noteArea(1).united(cell(i)->noteArea(9));
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (!ninths.contains(x, y))
                    QCOMPARE(drawn.pixelColor(x, y), bare.pixelColor(x, y));
        Q_UNUSED(open);
        // A digit hides the notes, and takes them.
        cell(i)->setFocus();
        QTest::keyClick(cell(i), Qt::Key_4);
        QCOMPARE(board().notes(i), Notes(0));
    }

    // A placed digit, typed or by the keypad, takes its cell's notes and its own note from every
    // cell of its row, column and box, and from no other.
    void placedDigitTakesItsNotes()
    {
        board().fillNotes();
        const int i = openCell();
        const Notes before = board().notes(i);
        int digit = 1;
        while (!(before & digitBit(digit)))
            ++digit;
        std::array<Notes, CellCount + 1> was {};
        for (int j = 1; j <= CellCount; ++j)
            was[std::size_t(j)] = board().notes(j);
        cell(i)->setFocus();
        QTest::keyClick(cell(i), Qt::Key_0 + digit, Qt::KeypadModifier);
        QCOMPARE(board().text(i), QString::number(digit));
        QCOMPARE(board().notes(i), Notes(0));
        for (int j = 1; j <= CellCount; ++j) {
            if (j == i)
                continue;
            const bool sees
                = rowOf(j) == rowOf(i) || columnOf(j) == columnOf(i) || boxOf(j) == boxOf(i);
            const Notes expected
                = sees ? Notes(was[std::size_t(j)] & ~digitBit(digit)) : was[std::size_t(j)];
            QCOMPARE(board().notes(j), expected);
        }
        QCOMPARE(board().history().size(), std::size_t(2)); // fill, then the placement
    }

    // Fill gives every empty cell that is not given the digits its groups allow, marked cells
    // too; Ctrl+0 and Ctrl+Delete take a cell's notes.
    void fillAndClear()
    {
        const int i = openCell();
        QTest::mouseClick(cell(i), Qt::RightButton);
        ctrl(i, Qt::Key_N, Qt::ShiftModifier);
        for (int j = 1; j <= CellCount; ++j) {
            Notes allowed = puzzles::AllDigits;
            if (board().text(j).isEmpty())
                for (int k = 1; k <= CellCount; ++k)
                    if ((rowOf(k) == rowOf(j) || columnOf(k) == columnOf(j) || boxOf(k) == boxOf(j))
                        && !board().text(k).isEmpty())
                        allowed = Notes(allowed & ~digitBit(board().text(k).toInt()));
            const Notes expected = board().text(j).isEmpty() ? allowed : Notes(0);
            QCOMPARE(board().notes(j), expected);
            // The solution's digit is always among them.
            if (board().text(j).isEmpty())
                QVERIFY(board().notes(j) & digitBit(test::solvedDigit(j)));
        }
        QVERIFY(board().notes(i) != 0);
        ctrl(i, Qt::Key_0);
        QCOMPARE(board().notes(i), Notes(0));
        const int k = openCell(i);
        ctrl(k, Qt::Key_Delete);
        QCOMPARE(board().notes(k), Notes(0));
        QCOMPARE(board().backColour(i), MarkColour);
    }

    // Notes belong to the puzzle on the board: Clear, New and add-game mode take them all, and
    // in add-game mode the note keys do nothing.
    void lifetime()
    {
        board().fillNotes();
        QTest::mouseClick(m_form->cmdClear, Qt::LeftButton);
        for (int j = 1; j <= CellCount; ++j)
            QCOMPARE(board().notes(j), Notes(0));
        board().fillNotes();
        QTest::mouseClick(m_form->cmdNew, Qt::LeftButton);
        for (int j = 1; j <= CellCount; ++j)
            QCOMPARE(board().notes(j), Notes(0));
        board().fillNotes();
        m_form->chkAddMode->setChecked(true);
        for (int j = 1; j <= CellCount; ++j)
            QCOMPARE(board().notes(j), Notes(0));
        ctrl(5, Qt::Key_5);
        ctrl(5, Qt::Key_N, Qt::ShiftModifier);
        for (int j = 1; j <= CellCount; ++j)
            QCOMPARE(board().notes(j), Notes(0));
        m_form->chkAddMode->setChecked(false);
        ctrl(5, Qt::Key_5);
        QCOMPARE(board().notes(5), notesOf({ 5 }));
    }

    // F1 lists every key; the box closes and the focus is back where it was.
    void keysWindowListsEveryKey()
    {
        const int i = openCell();
        cell(i)->setFocus();
        QTest::keyClick(cell(i), Qt::Key_F1);
        QCOMPARE(m_prompter.told.size(), std::size_t(1));
        const auto &told = m_prompter.told.back();
        QCOMPARE(told.title, QStringLiteral("Zovudedoda"));
        for (const auto &k : input::KeyList)
            QVERIFY(told.prompt.contains(
                QString::fromUtf8(k.keys.data(), qsizetype(k.keys.size())) + QStringLiteral(": ")));
        QVERIFY(told.prompt.contains(QStringLiteral("Ctrl+H")));
        QCOMPARE(QApplication::focusWidget(), cell(i));
        // From a button too.
        m_form->cmdNew->setFocus();
        QTest::keyClick(m_form->cmdNew, Qt::Key_F1);
        QCOMPARE(m_prompter.told.size(), std::size_t(2));
    }

    // The README and the manual page list the same keys as the keys window.
    void docsListTheSameKeys()
    {
        QFile readme(test::sourceDir() + QStringLiteral("/README.md"));
        QFile man(test::sourceDir() + QStringLiteral("/docs/man/zovudedoda.6"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        QVERIFY(man.open(QIODevice::ReadOnly));
        const QString md = QString::fromUtf8(readme.readAll());
        QString roff = QString::fromUtf8(man.readAll());
        roff.replace(QStringLiteral("\\-"), QStringLiteral("-"));
        for (const auto &k : input::KeyList) {
            const QString keys = QString::fromUtf8(k.keys.data(), qsizetype(k.keys.size()));
            const QString action = QString::fromUtf8(k.action.data(), qsizetype(k.action.size()));
            QVERIFY2(md.contains(QStringLiteral("| %1 | %2 |").arg(keys, action)),
                qPrintable(QStringLiteral("README.md lacks the row for ") + keys));
            QVERIFY2(roff.contains(QStringLiteral(".TP\n.B %1\n%2\n").arg(keys, action)),
                qPrintable(QStringLiteral("the manual page lacks the entry for ") + keys));
        }
        // And no more than those: a key taken out of the program goes out of the docs too.
        QCOMPARE(roff.count(QStringLiteral(".TP\n.B ")), qsizetype(std::size(input::KeyList)));
    }
};

QTEST_MAIN(TestNotes)
#include "tst_notes.moc"
