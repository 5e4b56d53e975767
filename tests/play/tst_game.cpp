#include "support/testsupport.h"
#include "support/windowsupport.h"
#include "ui/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <set>

using namespace zov;

class TestGame : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    test::ScriptedPrompter m_prompter;
    std::unique_ptr<Form1> m_form;

    QString library(int count, int clues = 30)
    {
        const QString path = m_dir.filePath(QStringLiteral("lib%1-%2.mdb").arg(count).arg(clues));
        if (!QFile::exists(path))
            test::makeLibrary(path, count, clues);
        return path;
    }
    input::Board &board() { return m_form->board(); }
    void start(const QString &path)
    {
        m_form = std::make_unique<Form1>(path, m_prompter);
        QVERIFY(m_form->Load());
        m_form->showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void press(QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }
    int count(ColourValue back)
    {
        int n = 0;
        for (int i = 1; i <= 81; ++i)
            n += board().backColour(i) == back;
        return n;
    }
    // Fills every open cell with the solved grid's digit.
    void solveBoard()
    {
        test::arrange(board(), [&] {
            for (int i = 1; i <= 81; ++i)
                if (board().text(i).isEmpty())
                    board().setText(i, QString::number(test::solvedDigit(i)));
        });
    }
    // What New may change: the number shown, every cell whole, the puzzle and its history.
    struct Shown
    {
        QString gameNumber;
        std::vector<input::CellState> cells;
        int current = 0;
        std::size_t rows = 0, steps = 0;
        bool operator==(const Shown &) const = default;
    };
    Shown shown()
    {
        Shown s { board().gameNumberText(), {}, m_form->game()->current(),
            m_form->game()->rsCurrentGame().size(), board().history().size() };
        for (int i = 1; i <= 81; ++i)
            s.cells.push_back(board().state(i));
        return s;
    }
    void newNotRandom(const QString &reply)
    {
        m_form->chkShuffle->setChecked(false);
        m_prompter.replies.push_back(reply);
        press(m_form->cmdNew);
    }

private Q_SLOTS:
    void init() { m_prompter = {}; }
    void cleanup()
    {
        m_form.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // Ctrl+N is the New button, asking or drawing as its check box says, and nothing while the
    // button cannot be pressed; Ctrl+? shows the keys as F1 does; Ctrl+Q closes the window.
    void desktopKeysDoWhatTheirButtonsDo()
    {
        start(library(3));
        m_form->chkShuffle->setChecked(false);
        m_prompter.replies.push_back(QStringLiteral("2"));
        const int cell = 1;
        board().cell(cell)->setFocus();
        QTest::keyClick(board().cell(cell), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(m_prompter.asked.size(), std::size_t(1));
        QCOMPARE(board().gameNumberText(), QStringLiteral("2"));
        // From a button as well as from a cell.
        m_prompter.replies.push_back(QStringLiteral("3"));
        m_form->cmdDone->setFocus();
        QTest::keyClick(m_form->cmdDone, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(board().gameNumberText(), QStringLiteral("3"));
        m_form->cmdNew->setEnabled(false);
        QTest::keyClick(board().cell(cell), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(m_prompter.asked.size(), std::size_t(2));
        m_form->cmdNew->setEnabled(true);
        const std::size_t told = m_prompter.told.size();
        QTest::keyClick(
            board().cell(cell), Qt::Key_Question, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_prompter.told.size(), told + 1);
        QCOMPARE(m_prompter.told.back().prompt, Form1::keysText());
        QVERIFY(m_form->isVisible());
        QTest::keyClick(board().cell(cell), Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!m_form->isVisible());
    }

    // Start-up draws at random without a question; a 1-puzzle library always gives puzzle 1.
    void startUpDrawsWithoutAsking()
    {
        start(library(1));
        QVERIFY(m_prompter.asked.empty());
        QCOMPARE(board().gameNumberText(), QStringLiteral("1"));
        QCOMPARE(count(GivenColour), 30);
        QCOMPARE(count(OpenColour), 51);
        for (int i = 1; i <= 81; ++i)
            QCOMPARE(board().text(i).isEmpty(), board().backColour(i) == OpenColour);
        QVERIFY(board().txtRow1(1)->hasFocus());
        for (int k = 0; k < 5; ++k) {
            press(m_form->cmdNew);
            QCOMPARE(board().gameNumberText(), QStringLiteral("1"));
        }
    }

    // The draw covers 1 to N and nothing outside it.
    void randomDrawCoversTheWholeRange()
    {
        start(library(250, 5));
        m_form->game()->seed(12345);
        std::set<int> drawn;
        for (int k = 0; k < 1500; ++k) {
            m_form->game()->newGame(Game::Pick::AtRandom);
            drawn.insert(board().gameNumberText().toInt());
        }
        QCOMPARE(*drawn.begin(), 1);
        QCOMPARE(*drawn.rbegin(), 250);
        QVERIFY2(drawn.size() >= 240, qPrintable(QString::number(drawn.size())));
    }

    // Without Random: the exact prompt, title and default; bad replies are told the range and
    // asked again with the reply as the default.
    void typedNumberIsAskedUntilUsable()
    {
        start(library(250, 5));
        const QString before = board().gameNumberText();
        m_form->chkShuffle->setChecked(false);
        for (const char *bad : { "", "abc", "0", "251", "-3", "3.5", "99999999999", "0000007" })
            m_prompter.replies.push_back(QString::fromLatin1(bad));
        m_prompter.replies.push_back(QStringLiteral(" 7 "));
        m_prompter.whileAsking = [this] {
            // The board behind the box is already empty and open.
            QCOMPARE(count(OpenColour), 81);
            for (int i = 1; i <= 81; ++i)
                QVERIFY(board().text(i).isEmpty());
        };
        press(m_form->cmdNew);
        QCOMPARE(m_prompter.asked.size(), std::size_t(9));
        QCOMPARE(m_prompter.asked[0].prompt, QStringLiteral("Select Game No.1-250"));
        QCOMPARE(m_prompter.asked[0].title, QStringLiteral("Zovudedoda"));
        QCOMPARE(m_prompter.asked[0].defaultText, before);
        QCOMPARE(m_prompter.asked[2].defaultText, QStringLiteral("abc"));
        QCOMPARE(m_prompter.told.size(), std::size_t(8));
        QVERIFY(m_prompter.told[0].prompt.contains(QLatin1String("from 1 to 250")));
        QCOMPARE(board().gameNumberText(), QStringLiteral("7"));
        QCOMPARE(count(GivenColour), 5);
        QCOMPARE(m_form->game()->current(), GameNumber(7));
        // The next question offers the puzzle loaded last.
        m_prompter.replies.push_back(std::nullopt);
        press(m_form->cmdNew);
        QCOMPARE(m_prompter.asked.back().defaultText, QStringLiteral("7"));
    }

    // Cancel puts back everything New had changed, the player's entries and marks included.
    void cancelRestoresTheBoard()
    {
        start(library(3));
        test::arrange(board(), [&] {
            board().setText(4, QString());
            for (int i = 1; i <= 81; ++i)
                if (board().backColour(i) == OpenColour && i % 3 == 0)
                    board().setText(i, QStringLiteral("8"));
        });
        QTest::mouseClick(m_form->windowHandle(), Qt::RightButton, {},
            board().txtRow1(2)->mapTo(m_form.get(), QPoint(8, 8)));
        const Shown before = shown();
        newNotRandom(QString());
        m_prompter.replies.clear();
        m_prompter.replies.push_back(std::nullopt);
        press(m_form->cmdNew);
        const Shown after = shown();
        QCOMPARE(after.gameNumber, before.gameNumber);
        QVERIFY(after == before);
    }

    // A library with a gap: random play never fails; a typed missing number is asked again.
    void gapsAreSkipped()
    {
        const QString path = m_dir.filePath(QStringLiteral("gap.mdb"));
        test::sqlite(path,
            QStringLiteral(
                "CREATE TABLE Game (GameNo, \"Index\", Number);"
                "INSERT INTO Game VALUES (1, 1, 1), (3, 5, 5), (3, 90, 9), (3, 6, 'x');"));
        start(path);
        for (int k = 0; k < 30; ++k) {
            press(m_form->cmdNew);
            QVERIFY(board().gameNumberText() == QLatin1String("1")
                || board().gameNumberText() == QLatin1String("3"));
        }
        QVERIFY(m_prompter.told.empty());
        m_prompter.replies = { QStringLiteral("2"), QStringLiteral("3") };
        m_form->chkShuffle->setChecked(false);
        press(m_form->cmdNew);
        QVERIFY(m_prompter.told.at(0).prompt.contains(QLatin1String("no puzzle 2")));
        // Rows outside the record format are passed over.
        QCOMPARE(count(GivenColour), 1);
        QCOMPARE(board().text(5), QStringLiteral("5"));
    }

    // New removes marks and shows the new givens in their digit colours.
    void newRemovesMarks()
    {
        start(library(1));
        int open = 1;
        while (board().backColour(open) != OpenColour)
            ++open;
        test::arrange(board(), [&] { board().setBackColour(open, MarkColour); });
        press(m_form->cmdNew);
        QCOMPARE(count(MarkColour), 0);
        for (int i = 1; i <= 81; ++i)
            if (!board().text(i).isEmpty())
                QCOMPARE(board().txtRow1(i)->foreColour(),
                    DigitColours[static_cast<std::size_t>(board().text(i).toInt() - 1)]);
    }

    // Clear: givens back, entries gone, marks and text colours kept.
    void clearRestoresThePuzzle()
    {
        start(library(1));
        int given = 1, open = 1, marked = 0;
        while (board().backColour(given) != GivenColour)
            ++given;
        while (board().backColour(open) != OpenColour)
            ++open;
        marked = open + 1;
        while (board().backColour(marked) != OpenColour)
            ++marked;
        const QString digit = board().text(given);
        test::arrange(board(), [&] {
            board().setText(given, QString());
            board().setText(open, QStringLiteral("6"));
            board().setText(marked, QStringLiteral("2"));
            board().setBackColour(marked, MarkColour);
        });
        press(m_form->cmdClear);
        QCOMPARE(board().text(given), digit);
        QCOMPARE(board().text(open), QString());
        QCOMPARE(board().txtRow1(open)->foreColour(), ColourValue(0x00FF00));
        QCOMPARE(board().text(marked), QString());
        QCOMPARE(board().backColour(marked), MarkColour);
        QCOMPARE(count(GivenColour), 30);
    }

    // With the game-number box showing another number, nothing is written back, and Clear
    // empties every cell that is not given.
    void mismatchingNumberWritesNothingBack()
    {
        start(library(1));
        test::arrange(board(), [&] {
            board().setText(0, QStringLiteral("2"));
            for (int i = 1; i <= 81; ++i)
                board().setText(i, QString());
        });
        m_form->game()->ApplyGivens();
        for (int i = 1; i <= 81; ++i)
            QVERIFY(board().text(i).isEmpty());
        test::arrange(board(), [&] {
            board().setBackColour(10, OpenColour);
            board().setText(10, QStringLiteral("1"));
        });
        press(m_form->cmdClear);
        QVERIFY(board().text(10).isEmpty());
    }

    // The verdict: each group must hold each digit once, whatever the sums say.
    void verdict_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("solved");
        QTest::newRow("solved") << "" << true;
        QTest::newRow("right after New") << "new" << false;
        QTest::newRow("one cell emptied") << "empty" << false;
        QTest::newRow("two open cells of a row swapped") << "swap" << false;
        QTest::newRow("four corners +1 -1 keep the sums") << "corners" << false;
        QTest::newRow("a changed given is restored first") << "given" << true;
        QTest::newRow("all fives") << "fives" << false;
    }
    void verdict()
    {
        QFETCH(QString, change);
        QFETCH(bool, solved);
        // Puzzle 1 of a 1-clue library: one given, cell 8.
        start(library(1, 1));
        if (change != QLatin1String("new"))
            solveBoard();
        {
            const input::Board::Action typing(board());
            const auto set = [&](int i, int d) { board().setText(i, QString::number(d)); };
            if (change == QLatin1String("empty")) {
                board().setText(50, QString());
            } else if (change == QLatin1String("swap")) {
                const QString a = board().text(37), b = board().text(38);
                board().setText(37, b);
                board().setText(38, a);
            } else if (change == QLatin1String("corners")) {
                // Cells 31, 32 (row 4) and 40, 41 (row 5) of the centre box hold 9 2 / 8 5: every
                // row, column and box still sums to 45, yet 8 now stands twice in row 4 and 9 in
                // row 5.
                QCOMPARE(board().text(31) + board().text(32) + board().text(40) + board().text(41),
                    QStringLiteral("9285"));
                set(31, 8);
                set(41, 4);
                set(32, 3);
                set(40, 9);
            } else if (change == QLatin1String("given")) {
                set(8, test::solvedDigit(8) % 9 + 1);
            } else if (change == QLatin1String("fives")) {
                for (int i = 1; i <= 81; ++i)
                    set(i, 5);
            }
        }
        press(m_form->cmdDone);
        press(m_form->cmdDone);
        QCOMPARE(m_prompter.told.size(), std::size_t(2));
        for (const auto &told : m_prompter.told) {
            QCOMPARE(
                told.prompt, solved ? QStringLiteral("Congratulations") : QStringLiteral("Sorry"));
            QCOMPARE(told.style, solved ? MessageStyle::Plain : MessageStyle::Critical);
            QVERIFY(told.title.isEmpty());
        }
        if (change == QLatin1String("given"))
            QCOMPARE(board().text(8).toInt(), test::solvedDigit(8));
    }

    // A library that breaks under the game: New tells why and puts the board back.
    void storeFailureDuringNewKeepsTheBoard()
    {
        const QString path = m_dir.filePath(QStringLiteral("breaks.mdb"));
        test::makeLibrary(path, 2);
        start(path);
        const Shown before = shown();
        test::sqlite(path, QStringLiteral("DROP TABLE Game"));
        press(m_form->cmdNew);
        QCOMPARE(m_prompter.told.size(), std::size_t(1));
        QCOMPARE(m_prompter.told[0].style, MessageStyle::Critical);
        QVERIFY(shown() == before);
    }

    // A library that cannot be used ends start-up with one message naming the file.
    void unusableLibraryStopsStartUp()
    {
        const QString path = m_dir.filePath(QStringLiteral("junk.mdb"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("junk");
        }
        Form1 form(path, m_prompter);
        QVERIFY(!form.Load());
        QCOMPARE(m_prompter.told.size(), std::size_t(1));
        QVERIFY(m_prompter.told[0].prompt.contains(path));
        QVERIFY(m_prompter.told[0].prompt.contains(QLatin1String("not a puzzle library")));
    }
};

QTEST_MAIN(TestGame)
#include "tst_game.moc"
