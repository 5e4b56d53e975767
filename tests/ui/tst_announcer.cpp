#include "input/cellaccessible.h"
#include "input/keys.h"
#include "input/spoken.h"
#include "support/testsupport.h"
#include "support/windowsupport.h"
#include "ui/announcer.h"
#include "ui/form1.h"
#include "ui/frmabout.h"
#include "ui/hintpanel.h"
#include "ui/resources.h"
#include "ui/speaker.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

using namespace zov;
using namespace zov::input;

// Stands in for the desktop's browser and mail program.
class LinkCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

class TestAnnouncer : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    test::ScriptedPrompter m_prompter;
    std::unique_ptr<Form1> m_form;

    Board &board() { return m_form->board(); }
    CellBox *cell(int i) { return board().cell(i); }
    int openCell(int after = 0) { return test::openCell(board(), after); }
    int givenCell() { return test::givenCell(board()); }
    // The key pressed in cell `i`, and the words it was confirmed with ("" for none).
    QString key(int i, Qt::Key k, Qt::KeyboardModifiers m = {})
    {
        cell(i)->setFocus();
        const auto before = spokenSoFar().size();
        QTest::keyClick(cell(i), k, m);
        const QStringList said = spokenSoFar();
        return said.size() > before ? said.back() : QString();
    }
    QString last() const { return spokenSoFar().isEmpty() ? QString() : spokenSoFar().back(); }

private Q_SLOTS:
    void initTestCase() { loadBoardFont(); }
    void init()
    {
        const QString path = m_dir.filePath(QStringLiteral("lib.mdb"));
        if (!QFile::exists(path))
            test::makeLibrary(path, 3, 30);
        m_prompter = {};
        m_form = test::openWindow(path, m_prompter);
        QVERIFY(m_form);
        forgetSpoken();
    }
    void cleanup()
    {
        m_form.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // Each key in a cell is confirmed by what it did, not by the key: a digit the cell refuses
    // is said to be refused.
    void keysAreConfirmedByWhatTheyDid()
    {
        const int i = openCell();
        const int g = givenCell();
        QCOMPARE(key(i, Qt::Key_4), QStringLiteral("4 placed"));
        QCOMPARE(key(i, Qt::Key_7), QStringLiteral("holds 4, delete it first"));
        QCOMPARE(board().text(i), QStringLiteral("4"));
        QCOMPARE(key(i, Qt::Key_7, Qt::KeypadModifier), QStringLiteral("7 placed, 4 removed"));
        const QString givenDigit = board().text(g);
        QCOMPARE(key(g, Qt::Key_7), QStringLiteral("given, cannot change"));
        QCOMPARE(board().text(g), givenDigit);
        // Delete empties the cell wherever the cursor stands, as Backspace does after it.
        cell(i)->setCursorPosition(1);
        QCOMPARE(key(i, Qt::Key_Delete), QStringLiteral("7 removed"));
        QCOMPARE(board().text(i), QString());
        QCOMPARE(key(i, Qt::Key_Delete), QStringLiteral("already empty"));

        QCOMPARE(key(i, Qt::Key_3, Qt::ControlModifier), QStringLiteral("note 3 added, notes 3"));
        QCOMPARE(key(i, Qt::Key_5, Qt::ControlModifier), QStringLiteral("note 5 added, notes 3 5"));
        QCOMPARE(key(i, Qt::Key_3, Qt::ControlModifier), QStringLiteral("note 3 removed, notes 5"));
        QCOMPARE(key(g, Qt::Key_3, Qt::ControlModifier), QStringLiteral("given, cannot change"));
        QCOMPARE(key(i, Qt::Key_0, Qt::ControlModifier), QStringLiteral("notes cleared"));
        int empty = 0;
        for (CellIndex j = 1; j <= CellCount; ++j)
            empty += board().text(j).isEmpty() && board().allowed(j) != 0;
        QCOMPARE(key(i, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier),
            QStringLiteral("notes filled in %1 cells").arg(empty));

        // Marking by key, as the right button does.
        QCOMPARE(key(i, Qt::Key_Menu), QStringLiteral("marked"));
        QCOMPARE(board().backColour(i), MarkColour);
        QCOMPARE(key(i, Qt::Key_F10, Qt::ShiftModifier), QStringLiteral("mark taken away"));
        QCOMPARE(board().backColour(i), OpenColour);
        QCOMPARE(key(g, Qt::Key_Menu), QStringLiteral("given, cannot mark"));
        QCOMPARE(board().backColour(g), GivenColour);

        // Undo and redo say what came back.
        const QString place = QString::fromStdString(spoken::place(i)).toLower();
        QCOMPARE(key(i, Qt::Key_Z, Qt::ControlModifier),
            QStringLiteral("Undone: %1 marked").arg(place.section(QStringLiteral(", box"), 0, 0)));
        QCOMPARE(key(i, Qt::Key_Y, Qt::ControlModifier),
            QStringLiteral("Redone: %1 mark taken away")
                .arg(place.section(QStringLiteral(", box"), 0, 0)));
        QCOMPARE(key(i, Qt::Key_Y, Qt::ControlModifier), QStringLiteral("nothing to redo"));
        // Arrows say nothing of their own: the screen reader reads the cell they reach.
        QCOMPARE(key(i, Qt::Key_Right), QString());
    }

    // The reading keys read the focused cell's row, column and box as players read them, and
    // the digits still to place; they change nothing.
    void unitsAreReadOut()
    {
        const CellIndex i = cellAt(5, 4); // row 5, column 4, box 5
        auto digitAt = [this](int row, int column) {
            const QString t = board().text(cellAt(10 - row, column));
            return t.isEmpty() ? QStringLiteral("blank") : t;
        };
        QStringList row, column, box;
        for (int k = 1; k <= 9; ++k) {
            row << digitAt(5, k);
            column << digitAt(k, 4);
            box << digitAt(4 + (k - 1) / 3, 4 + (k - 1) % 3);
        }
        const auto before = spokenSoFar().size();
        QCOMPARE(key(i, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier),
            QStringLiteral("Row 5: ") + row.join(QStringLiteral(", ")));
        QCOMPARE(key(i, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier),
            QStringLiteral("Column 4: ") + column.join(QStringLiteral(", ")));
        QCOMPARE(key(i, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier),
            QStringLiteral("Box 5: ") + box.join(QStringLiteral(", ")));
        const QString toPlace = key(i, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY2(toPlace.startsWith(QStringLiteral("To place: ")), qPrintable(toPlace));
        // 30 givens leave 51 digits to place.
        int left = 0;
        static const QRegularExpression each(QStringLiteral("([1-9]) (once|twice|(\\w+) times)"));
        static const QStringList counts { QString(), QString(), QString(), QStringLiteral("three"),
            QStringLiteral("four"), QStringLiteral("five"), QStringLiteral("six"),
            QStringLiteral("seven"), QStringLiteral("eight"), QStringLiteral("nine") };
        for (auto m = each.globalMatch(toPlace); m.hasNext();) {
            const auto found = m.next();
            left += found.captured(2) == QStringLiteral("once") ? 1
                : found.captured(2) == QStringLiteral("twice")
                ? 2
                : int(counts.indexOf(found.captured(3)));
        }
        QCOMPARE(left, 51);
        QCOMPARE(spokenSoFar().size(), before + 4);
        QCOMPARE(board().history().size(), std::size_t(0));
    }

    // After New, Clear and Done the focus is back on the cell the player was on, and New and
    // Clear say what they did there.
    void buttonsSayWhatTheyDidAndGiveTheCellBack()
    {
        // As with a screen reader listening; without one the focus stays where the window
        // always left it.
        auto *announcer = m_form->findChild<Announcer *>();
        QVERIFY(announcer);
        announcer->setListening([] { return true; });
        const int i = openCell(10);
        key(i, Qt::Key_Right);
        const int at = i + 1;
        QCOMPARE(QApplication::focusWidget(), cell(at));
        m_form->chkShuffle->setChecked(false);
        m_prompter.replies.push_back(QStringLiteral("2"));
        QTest::mouseClick(m_form->cmdNew, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), cell(at));
        const QString here = QString::fromStdString(spoken::place(at)) + QStringLiteral(", ")
            + QString::fromStdString(spoken::holding(spokenCell(*cell(at))));
        QCOMPARE(last(), QStringLiteral("Puzzle 2 loaded, 30 given. ") + here);
        // A cancelled New says that nothing changed, and the typed digit stays.
        const int typed = openCell(at);
        key(typed, Qt::Key_5);
        key(at, Qt::Key_Home);
        m_prompter.replies.push_back(std::nullopt);
        QTest::mouseClick(m_form->cmdNew, Qt::LeftButton);
        QCOMPARE(last(), QStringLiteral("no new puzzle. ") + here);
        QCOMPARE(board().text(typed), QStringLiteral("5"));

        key(openCell(), Qt::Key_5);
        key(at, Qt::Key_Right);
        QTest::mouseClick(m_form->cmdClear, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), cell(at + 1));
        QVERIFY2(
            last().startsWith(QStringLiteral("board cleared, 30 given. Row ")), qPrintable(last()));

        m_form->cmdDone->setFocus();
        QTest::keyClick(m_form->cmdDone, Qt::Key_Space);
        QCOMPARE(m_prompter.told.back().prompt, QStringLiteral("Sorry"));
        QCOMPARE(QApplication::focusWidget(), cell(at + 1));
    }

    // Without a screen reader New leaves the focus where it always did, and still says so.
    void withoutAScreenReaderTheFocusStays()
    {
        m_form->cmdNew->setFocus();
        QTest::keyClick(m_form->cmdNew, Qt::Key_Space);
        QCOMPARE(QApplication::focusWidget(), m_form->cmdNew);
        QVERIFY2(last().startsWith(QStringLiteral("Puzzle ")), qPrintable(last()));
    }

    // Add-game mode: Delete empties a typed cell there too; notes are for play.
    void deleteEmptiesInAddGameMode()
    {
        m_form->chkAddMode->setChecked(true);
        QVERIFY(m_form->cmdSave->isEnabled());
        key(20, Qt::Key_6);
        cell(20)->setCursorPosition(0);
        QCOMPARE(key(20, Qt::Key_Delete), QStringLiteral("6 removed"));
        QCOMPARE(board().text(20), QString());
        QCOMPARE(key(20, Qt::Key_3, Qt::ControlModifier),
            QStringLiteral("no notes while a puzzle is typed in"));
        QCOMPARE(board().notes(20), puzzles::Digits(0));
    }

    // The hint panel, which leaves the keyboard on the board, says each level as it appears,
    // the first one too, and that the board has made the hint wrong.
    void hintLevelsAreSaid()
    {
        puzzles::hints::Hint hint;
        hint.kind = puzzles::hints::Hint::Kind::Step;
        hint.levels = { "Look at box 5.", "Where can the 4 go?", "Only in row 5, column 5." };
        const int open = openCell();
        hint.pattern = { textPositionOf(open) };
        HintPanel panel(board(), *m_form->game(), m_form.get());
        panel.showHint(hint);
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(spokenSoFar(), QStringList { QStringLiteral("Look at box 5.") });
        QTest::mouseClick(panel.more(), Qt::LeftButton);
        QCOMPARE(last(), QStringLiteral("Where can the 4 go?"));
        QTest::mouseClick(panel.more(), Qt::LeftButton);
        QCOMPARE(last(), QStringLiteral("Only in row 5, column 5."));
        QCOMPARE(spokenSoFar().size(), qsizetype(3));
        key(open, Qt::Key_7);
        QVERIFY(spokenSoFar().contains(
            QStringLiteral("The board has changed, and this hint no longer holds.")));
    }

    // About: its lines are said as it opens, its two links are reached with Tab after OK and
    // opened with Enter or Space.
    void aboutLinksByKeyboard()
    {
        LinkCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "open");
        {
            frmAbout about;
            QVERIFY(last().contains(QStringLiteral("Zovudedoda Sudoku 1.0. Made in Thailand.")));
            about.show();
            QApplication::setActiveWindow(&about);
            QVERIFY(QTest::qWaitForWindowActive(&about));
            QCOMPARE(QApplication::focusWidget(), about.Command1);
            QTest::keyClick(about.Command1, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), about.Label2);
            QTest::keyClick(about.Label2, Qt::Key_Return);
            QTest::keyClick(about.Label2, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), about.Label13);
            QTest::keyClick(about.Label13, Qt::Key_Space);
            QVERIFY(about.isVisible());
        }
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QCOMPARE(catcher.opened,
            QList<QUrl>({ QUrl(QStringLiteral("mailto:") + AboutEmailAddress),
                QUrl(QStringLiteral("http://") + AboutWebAddress) }));
    }

    // The new keys: commands in a cell, and nothing that a line edit does with them by itself
    // (so they take no effect away from a player who types). Alt+A, About's key, is a shortcut
    // of the window (the end-to-end test with the screen reader presses it); a line edit would
    // type an "a", which no cell keeps.
    void newKeysTakeNothingFromALineEdit_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("command");
        const int cs = int(Qt::ControlModifier | Qt::ShiftModifier);
        QTest::newRow("Menu") << int(Qt::Key_Menu) << 0 << int(input::Command::ToggleMark);
        QTest::newRow("Shift+F10")
            << int(Qt::Key_F10) << int(Qt::ShiftModifier) << int(input::Command::ToggleMark);
        QTest::newRow("Ctrl+Shift+R") << int(Qt::Key_R) << cs << int(input::Command::ReadRow);
        QTest::newRow("Ctrl+Shift+C") << int(Qt::Key_C) << cs << int(input::Command::ReadColumn);
        QTest::newRow("Ctrl+Shift+B") << int(Qt::Key_B) << cs << int(input::Command::ReadBox);
        QTest::newRow("Ctrl+Shift+D") << int(Qt::Key_D) << cs << int(input::Command::ReadToPlace);
        const int c = int(Qt::ControlModifier);
        QTest::newRow("Ctrl+M") << int(Qt::Key_M) << c << int(input::Command::Warnings);
        QTest::newRow("Ctrl+L") << int(Qt::Key_L) << c << int(input::Command::SameDigit);
        QTest::newRow("Ctrl+T") << int(Qt::Key_T) << c << int(input::Command::Clock);
        QTest::newRow("Ctrl+P") << int(Qt::Key_P) << c << int(input::Command::Pause);
        QTest::newRow("Pause") << int(Qt::Key_Pause) << 0 << int(input::Command::Pause);
    }
    void newKeysTakeNothingFromALineEdit()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, command);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        const auto c = input::commandOf(key, mods, 0);
        QCOMPARE(c ? int(c->command) : -1, command);
        // Not with the keypad's Num Lock keys, nor with Alt besides.
        QVERIFY(
            !input::commandOf(key, mods | Qt::AltModifier | Qt::ControlModifier, 0) || command < 0);
        QWidget window;
        auto *edit = new QLineEdit(QStringLiteral("12 345"), &window);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        edit->setCursorPosition(2);
        QTest::keyClick(edit, Qt::Key(key), mods);
        QCOMPARE(edit->text(), QStringLiteral("12 345"));
        QCOMPARE(edit->cursorPosition(), 2);
        QVERIFY(!edit->hasSelectedText());
        QVERIFY(!edit->isUndoAvailable());
    }

    // Each aid says that it is on or off; a repeated digit is said to be one while the warnings
    // are on; the pause and its end are said.
    void aidsAreSaid()
    {
        const int i = openCell();
        QCOMPARE(key(i, Qt::Key_M, Qt::ControlModifier), QStringLiteral("mistake warnings on"));
        int g = 0;
        for (int k = 1; k <= CellCount && !g; ++k)
            if (rowOf(k) == rowOf(i) && board().backColour(k) == GivenColour)
                g = k;
        QVERIFY(g);
        QVERIFY(key(i, Qt::Key(Qt::Key_0 + board().text(g).toInt()))
                    .endsWith(QStringLiteral(", repeated")));
        QCOMPARE(key(i, Qt::Key_M, Qt::ControlModifier), QStringLiteral("mistake warnings off"));
        QCOMPARE(key(i, Qt::Key_L, Qt::ControlModifier), QStringLiteral("same digit shown"));
        QVERIFY(key(i, Qt::Key_T, Qt::ControlModifier).startsWith(QStringLiteral("clock shown, ")));
        QCOMPARE(
            key(i, Qt::Key_P, Qt::ControlModifier), QStringLiteral("paused, the board is hidden"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(last(), QStringLiteral("playing again"));
    }

    // Delete is a command wherever it is pressed without modifiers; Ctrl+Delete still clears
    // the notes and Shift+Delete stays the line edit's cut.
    void deleteKeys()
    {
        QCOMPARE(
            int(input::commandOf(Qt::Key_Delete, {}, 0)->command), int(input::Command::EmptyCell));
        QCOMPARE(int(input::commandOf(Qt::Key_Delete, Qt::KeypadModifier, 0)->command),
            int(input::Command::EmptyCell));
        QCOMPARE(int(input::commandOf(Qt::Key_Delete, Qt::ControlModifier, 0)->command),
            int(input::Command::ClearNotes));
        QVERIFY(!input::commandOf(Qt::Key_Delete, Qt::ShiftModifier, 0));
        QVERIFY(!input::commandOf(Qt::Key_Backspace, {}, 0));
    }
};

QTEST_MAIN(TestAnnouncer)
#include "tst_announcer.moc"
