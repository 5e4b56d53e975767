#include "support/testsupport.h"
#include "support/windowsupport.h"
#include "ui/form1.h"
#include "ui/resources.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace zov;
using input::CellState;
using puzzles::digitBit;

class TestUndo : public QObject, test::WindowFixture
{
    Q_OBJECT

    using Picture = std::array<CellState, CellCount + 1>;
    Picture picture()
    {
        Picture p {};
        for (int i = 1; i <= CellCount; ++i)
            p[std::size_t(i)] = board().state(i);
        return p;
    }
    void key(int i, Qt::Key k, Qt::KeyboardModifiers mods = {})
    {
        cell(i)->setFocus();
        QTest::keyClick(cell(i), k, mods);
    }
    // Steps taken so far: every action has ended its own.
    std::size_t steps() { return board().history().size(); }
    void undo(QWidget *at) { QTest::keyClick(at, Qt::Key_Z, Qt::ControlModifier); }
    void redo(QWidget *at, bool y = false)
    {
        if (y)
            QTest::keyClick(at, Qt::Key_Y, Qt::ControlModifier);
        else
            QTest::keyClick(at, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    }

private Q_SLOTS:
    void initTestCase()
    {
        loadBoardFont();
        test::makeLibrary(m_path, 3, 30);
    }
    void init() { QVERIFY(openFresh()); }
    void cleanup() { QVERIFY(closeWindow()); }

    // Each kind of step is one step: undo puts back exactly what was there (text, colours,
    // notes), with the focus on the cell that changed, and redo takes it again.
    void everyKindOfStepUndoesAndRedoes_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *k : { "typed", "backspace", "delete", "keypad", "paste", "cut", "mark",
                 "unmark", "note", "fill", "clear notes", "Clear", "Done" })
            QTest::newRow(k) << QString::fromLatin1(k);
    }
    void everyKindOfStepUndoesAndRedoes()
    {
        QFETCH(QString, kind);
        const int a = openCell();
        const int b = openCell(a);
        // Something to act on, in steps of its own.
        key(a, Qt::Key_3);
        key(b, Qt::Key_8);
        QTest::mouseClick(cell(b), Qt::RightButton);
        key(openCell(b), Qt::Key_4, Qt::ControlModifier);
        const int given = givenCell();
        const std::size_t taken = steps();
        const Picture before = picture();
        int focus = a;
        if (kind == QLatin1String("typed")) {
            focus = openCell(b);
            key(focus, Qt::Key_6);
        } else if (kind == QLatin1String("backspace")) {
            key(a, Qt::Key_End);
            key(a, Qt::Key_Backspace);
        } else if (kind == QLatin1String("delete")) {
            key(a, Qt::Key_Home);
            key(a, Qt::Key_Delete);
        } else if (kind == QLatin1String("keypad")) {
            key(a, Qt::Key_7, Qt::KeypadModifier);
            QCOMPARE(board().text(a), QStringLiteral("7"));
        } else if (kind == QLatin1String("paste")) {
            // More than one character pasted still ends as the filter leaves it.
            QApplication::clipboard()->setText(QStringLiteral("95"));
            focus = openCell(b);
            key(focus, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(board().text(focus), QStringLiteral("9"));
        } else if (kind == QLatin1String("cut")) {
            key(a, Qt::Key_A, Qt::ControlModifier);
            key(a, Qt::Key_X, Qt::ControlModifier);
        } else if (kind == QLatin1String("mark")) {
            focus = openCell(b);
            QTest::mouseClick(cell(focus), Qt::RightButton);
        } else if (kind == QLatin1String("unmark")) {
            focus = b;
            QTest::mouseClick(cell(b), Qt::RightButton);
        } else if (kind == QLatin1String("note")) {
            focus = openCell(b);
            key(focus, Qt::Key_4, Qt::ControlModifier);
        } else if (kind == QLatin1String("fill")) {
            focus = 0;
            key(a, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        } else if (kind == QLatin1String("clear notes")) {
            focus = openCell(b);
            key(focus, Qt::Key_0, Qt::ControlModifier);
        } else if (kind == QLatin1String("Clear")) {
            focus = 0;
            QTest::mouseClick(m_form->cmdClear, Qt::LeftButton);
        } else if (kind == QLatin1String("Done")) {
            // Done writes back a given the player had overtyped.
            focus = given;
            key(given, Qt::Key_A, Qt::ControlModifier);
            key(given, Qt::Key_Delete);
            QTest::mouseClick(m_form->cmdDone, Qt::LeftButton);
            QCOMPARE(steps(), taken + 2);
            undo(cell(a));
        }
        const Picture after = picture();
        QVERIFY2(after != before, "the action changed something");
        QCOMPARE(steps(), taken + 1);
        QWidget *at
            = kind == QLatin1String("Clear") ? static_cast<QWidget *>(m_form->cmdClear) : cell(a);
        undo(at);
        QVERIFY(picture() == before);
        if (focus)
            QCOMPARE(QApplication::focusWidget(), cell(focus));
        redo(QApplication::focusWidget());
        QVERIFY(picture() == after);
        undo(QApplication::focusWidget());
        redo(QApplication::focusWidget(), true);
        QVERIFY(picture() == after);
    }

    // A placed digit's three effects (its digit, its cell's notes, its note in the cells it
    // sees) are one step.
    void placementWithItsNotesIsOneStep()
    {
        board().fillNotes();
        const int i = openCell();
        const int d = test::solvedDigit(i);
        const Picture before = picture();
        key(i, Qt::Key(Qt::Key_0 + d));
        int changed = 0;
        for (int j = 1; j <= CellCount; ++j)
            changed += picture()[std::size_t(j)] != before[std::size_t(j)];
        QVERIFY(changed > 1);
        undo(cell(i));
        QVERIFY(picture() == before);
    }

    // A digit that clashes with a digit of its row still takes its notes and its note from
    // every cell it sees; undo brings every one of them back.
    void clashingDigitsNotesComeBack()
    {
        board().fillNotes();
        // An open cell, a digit that stands in its row already, and an open cell of its column
        // given a note of that digit (fill left it out, as the digit stands in the row).
        const int i = openCell();
        int d = 0, held = 0;
        for (int j = cellAt(rowOf(i), 1); j <= cellAt(rowOf(i), 9) && !d; ++j)
            if (!board().text(j).isEmpty()) {
                d = board().text(j).toInt();
                held = j;
            }
        int other = 0;
        for (int r = 1; r <= 9 && !other; ++r)
            if (const int j = cellAt(r, columnOf(i));
                j != i && board().text(j).isEmpty() && board().backColour(j) != GivenColour)
                other = j;
        QVERIFY(d && other);
        if (!(board().notes(other) & digitBit(d)))
            key(other, Qt::Key(Qt::Key_0 + d), Qt::ControlModifier);
        QVERIFY(board().notes(other) & digitBit(d));
        const Picture before = picture();
        key(i, Qt::Key(Qt::Key_0 + d));
        QCOMPARE(board().text(i), QString::number(d));
        QCOMPARE(board().text(held), QString::number(d));
        QCOMPARE(board().notes(i), puzzles::Digits(0));
        QVERIFY(!(board().notes(other) & digitBit(d)));
        undo(cell(i));
        QVERIFY(picture() == before);
    }

    // The line edit's own undo is gone: one history, the board's.
    void boxesHaveNoUndoOfTheirOwn()
    {
        const int a = openCell();
        const int b = openCell(a);
        key(a, Qt::Key_5);
        key(b, Qt::Key_6);
        cell(a)->setFocus();
        undo(cell(a)); // takes the 6 of b, not the 5 of a
        QCOMPARE(board().text(a), QStringLiteral("5"));
        QCOMPARE(board().text(b), QString());
        undo(cell(a));
        QCOMPARE(board().text(a), QString());
        undo(cell(a)); // nothing left: nothing happens, and the box does not undo by itself
        QCOMPARE(board().text(a), QString());
        QCOMPARE(board().text(b), QString());
        // From a button too.
        key(a, Qt::Key_2);
        m_form->cmdNew->setFocus();
        undo(m_form->cmdNew);
        QCOMPARE(board().text(a), QString());
        redo(m_form->cmdNew, true);
        QCOMPARE(board().text(a), QStringLiteral("2"));
    }

    // A new change drops what could be redone; a no-op keeps it.
    void redoAfterAChange()
    {
        const int a = openCell();
        key(a, Qt::Key_5);
        undo(cell(a));
        key(a, Qt::Key_Left, Qt::ShiftModifier); // moves, changes nothing
        redo(QApplication::focusWidget());
        QCOMPARE(board().text(a), QStringLiteral("5"));
        undo(cell(a));
        key(a, Qt::Key_7);
        redo(cell(a));
        QCOMPARE(board().text(a), QStringLiteral("7"));
    }

    // New, start-up and each switch of add-game mode begin an empty history; a cancelled New
    // leaves it as it was. Undo works in add-game mode as in play.
    void historyBelongsToOnePuzzle()
    {
        QCOMPARE(steps(), std::size_t(0));
        const int a = openCell();
        key(a, Qt::Key_5);
        m_form->chkShuffle->setChecked(false);
        m_prompter.replies.push_back(std::nullopt);
        QTest::mouseClick(m_form->cmdNew, Qt::LeftButton);
        QCOMPARE(steps(), std::size_t(1));
        m_prompter.replies.push_back(QStringLiteral("2"));
        QTest::mouseClick(m_form->cmdNew, Qt::LeftButton);
        QCOMPARE(steps(), std::size_t(0));
        const Picture loaded = picture();
        undo(cell(1));
        QVERIFY(picture() == loaded);

        key(openCell(), Qt::Key_4);
        m_form->chkAddMode->setChecked(true);
        QCOMPARE(steps(), std::size_t(0));
        key(10, Qt::Key_9);
        key(11, Qt::Key_8);
        undo(cell(10));
        QCOMPARE(board().text(11), QString());
        QCOMPARE(board().text(10), QStringLiteral("9"));
        m_form->chkAddMode->setChecked(false);
        QCOMPARE(steps(), std::size_t(0));
        undo(cell(10));
        QCOMPARE(board().text(10), QStringLiteral("9"));
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
