#include "support/testsupport.h"
#include "support/windowsupport.h"
#include "ui/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>
#include <sys/resource.h>

using namespace zov;
using Digits = QList<QPair<int, char>>;

class TestEntry : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    test::ScriptedPrompter m_prompter;
    std::unique_ptr<Form1> m_form;
    QString m_path;

    input::Board &board() { return m_form->board(); }
    void start(int puzzles)
    {
        m_path = m_dir.filePath(
            QStringLiteral("lib-%1.mdb").arg(QLatin1String(QTest::currentTestFunction())));
        QFile::remove(m_path);
        test::makeLibrary(m_path, puzzles);
        m_form = std::make_unique<Form1>(m_path, m_prompter);
        QVERIFY(m_form->Load());
        m_form->showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    // The check box toggles on its indicator, not in the middle of its wide label.
    void clickAddMode()
    {
        QTest::mouseClick(
            m_form->chkAddMode, Qt::LeftButton, {}, QPoint(6, m_form->chkAddMode->height() / 2));
    }
    // Types a digit into a cell as the player does: focus, then the key.
    void type(int cell, char digit)
    {
        auto *box = board().txtRow1(cell);
        box->setFocus(Qt::TabFocusReason);
        QTest::keyClick(box, Qt::Key(Qt::Key_0 + (digit - '0')));
    }
    void verifyPlayControls(bool play)
    {
        QCOMPARE(m_form->chkShuffle->isEnabled(), play);
        QCOMPARE(m_form->cmdNew->isEnabled(), play);
        QCOMPARE(m_form->cmdClear->isEnabled(), play);
        QCOMPARE(m_form->cmdDone->isEnabled(), play);
        QCOMPARE(m_form->cmdSave->isEnabled(), !play);
        QVERIFY(m_form->chkAddMode->isEnabled());
    }
    QStringList rows(const QString &where)
    {
        return test::sqlite(m_path,
            QStringLiteral("SELECT GameNo, \"Index\", Number FROM Game WHERE %1 ORDER BY \"Index\"")
                .arg(where));
    }

private Q_SLOTS:
    void init() { m_prompter = {}; }
    void cleanup()
    {
        m_form.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // Switching on: the next number, an empty open board, only "Add Game" usable.
    void switchingOnPreparesAnEmptyBoard()
    {
        start(57);
        int open = 1;
        while (board().backColour(open) != OpenColour)
            ++open;
        test::arrange(board(), [&] { board().setBackColour(open, MarkColour); });
        clickAddMode();
        QVERIFY(m_form->chkAddMode->isChecked());
        QCOMPARE(board().gameNumberText(), QStringLiteral("58"));
        for (int i = 1; i <= 81; ++i) {
            QVERIFY(board().text(i).isEmpty());
            QCOMPARE(board().backColour(i), OpenColour);
        }
        verifyPlayControls(false);
        // On, type, off: what was typed and the number stay, the controls swap back.
        type(10, '4');
        clickAddMode();
        verifyPlayControls(true);
        QCOMPARE(board().text(10), QStringLiteral("4"));
        QCOMPARE(board().gameNumberText(), QStringLiteral("58"));
        // Nothing was stored, so the same number is proposed again.
        clickAddMode();
        QCOMPARE(board().gameNumberText(), QStringLiteral("58"));
    }

    // A proposed 9 recolours the game-number box olive, through the filter.
    void proposedNumberIsFiltered()
    {
        start(8);
        clickAddMode();
        QCOMPARE(board().gameNumberText(), QStringLiteral("9"));
        QCOMPARE(board().txtRow1(0)->foreColour(), ColourValue(0x008080));
    }

    // A program write of the value runs the switch exactly once.
    void programWriteRunsTheSwitchOnce()
    {
        start(3);
        QSignalSpy spy(m_form->chkAddMode, &QCheckBox::toggled);
        m_form->chkAddMode->setChecked(true);
        QCOMPARE(board().gameNumberText(), QStringLiteral("4"));
        m_form->chkAddMode->setChecked(false);
        verifyPlayControls(true);
        QCOMPARE(spy.count(), 2);
    }

    // Saving: one row per digit in ascending Index, then play with Random off, asked which
    // puzzle to play with the new range.
    void savingStoresTheTypedPuzzle()
    {
        start(57);
        clickAddMode();
        std::vector<int> cells { 1, 81 };
        for (int i = 2; cells.size() < 30; i += 2)
            cells.push_back(i);
        for (auto it = cells.rbegin(); it != cells.rend(); ++it)
            type(*it, static_cast<char>('0' + test::solvedDigit(*it)));
        m_prompter.replies.push_back(QStringLiteral("58"));
        QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
        const QStringList stored = rows(QStringLiteral("GameNo = 58"));
        QCOMPARE(stored.size(), 30);
        std::sort(cells.begin(), cells.end());
        for (int k = 0; k < 30; ++k)
            QCOMPARE(stored[k],
                QStringLiteral("58|%1|%2")
                    .arg(cells[static_cast<std::size_t>(k)])
                    .arg(test::solvedDigit(cells[static_cast<std::size_t>(k)])));
        QVERIFY(!m_form->chkAddMode->isChecked());
        QVERIFY(!m_form->chkShuffle->isChecked());
        verifyPlayControls(true);
        QCOMPARE(m_prompter.asked.size(), std::size_t(1));
        QCOMPARE(m_prompter.asked[0].prompt, QStringLiteral("Select Game No.1-58"));
        // The new puzzle is on the board, given.
        QCOMPARE(board().gameNumberText(), QStringLiteral("58"));
        QCOMPARE(board().text(81), QString::number(test::solvedDigit(81)));
        QCOMPARE(board().backColour(81), GivenColour);
        clickAddMode();
        QCOMPARE(board().gameNumberText(), QStringLiteral("59"));
    }

    // An empty board stores nothing, leaves the mode and proposes the same number next time.
    void savingAnEmptyBoardStoresNothing()
    {
        start(5);
        clickAddMode();
        m_prompter.replies.push_back(std::nullopt);
        QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
        QCOMPARE(rows(QStringLiteral("GameNo > 5")).size(), 0);
        QVERIFY(!m_form->chkAddMode->isChecked());
        QVERIFY(!m_form->chkShuffle->isChecked());
        clickAddMode();
        QCOMPARE(board().gameNumberText(), QStringLiteral("6"));
    }

    // A store that refuses the last row keeps nothing of the puzzle, and the player keeps the
    // typed digits and the mode.
    void refusedSaveLosesNothing()
    {
        start(4);
        test::sqlite(m_path,
            QStringLiteral(
                "CREATE TABLE G2 (GameNo INTEGER, \"Index\" INTEGER, Number INTEGER,"
                " CHECK (GameNo < 5 OR \"Index\" < 81)); INSERT INTO G2 SELECT * FROM Game;"
                " DROP TABLE Game;"
                " ALTER TABLE G2 RENAME TO Game;"));
        clickAddMode();
        type(1, '5');
        type(40, '6');
        type(81, '7');
        QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
        QCOMPARE(rows(QStringLiteral("GameNo = 5")).size(), 0);
        QCOMPARE(m_prompter.told.size(), std::size_t(1));
        QVERIFY(m_prompter.told[0].prompt.startsWith(QLatin1String("The puzzle was not stored.")));
        QVERIFY(m_prompter.asked.empty());
        QVERIFY(m_form->chkAddMode->isChecked());
        verifyPlayControls(false);
        QCOMPARE(board().text(1), QStringLiteral("5"));
        QCOMPARE(board().text(40), QStringLiteral("6"));
        QCOMPARE(board().text(81), QStringLiteral("7"));
        QCOMPARE(board().gameNumberText(), QStringLiteral("5"));
    }

    // Another program stored a puzzle under our number meanwhile: ours goes to the next one.
    void takenNumberIsNeverShared()
    {
        start(4);
        clickAddMode();
        test::sqlite(m_path, QStringLiteral("INSERT INTO Game VALUES (5, 1, 1)"));
        type(2, '3');
        m_prompter.replies.push_back(std::nullopt);
        QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
        QCOMPARE(rows(QStringLiteral("GameNo = 5")).size(), 1);
        QCOMPARE(rows(QStringLiteral("GameNo = 6")), QStringList { QStringLiteral("6|2|3") });
        QVERIFY(m_prompter.told.at(0).prompt.contains(QLatin1String("stored as puzzle 6")));
        // Cancelling the question after the save shows the typed puzzle under its real number.
        QCOMPARE(board().gameNumberText(), QStringLiteral("6"));
        QCOMPARE(board().text(2), QStringLiteral("3"));
    }

    // A second program (the library tool) stores a puzzle under the proposed number while the
    // player types; a third holds the file locked when the player stores.
    void secondProgramsNeverMergeOrLosePuzzles()
    {
        start(4);
        clickAddMode();
        QCOMPARE(board().gameNumberText(), QStringLiteral("5"));
        const QString text = m_dir.filePath(QStringLiteral("one.txt"));
        {
            QFile f(text);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(test::SolvedText).replace('1', '.') + "\n");
        }
        QCOMPARE(QProcess::execute(test::toolPath(),
                     { QStringLiteral("--db"), m_path, QStringLiteral("import"), text }),
            0);
        type(30, '8');
        if (const QString why = test::whyMissing({ QStringLiteral("sqlite3") }, "sqlite3");
            !why.isEmpty())
            QSKIP(qPrintable(why));
        QProcess locker;
        locker.start(QStringLiteral("sqlite3"), { m_path });
        QVERIFY(locker.waitForStarted());
        locker.write("BEGIN EXCLUSIVE; DELETE FROM Game WHERE GameNo = 1;\n");
        QTRY_VERIFY(QFile::exists(m_path + QStringLiteral("-journal")));
        QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
        QVERIFY(m_prompter.told.at(0).prompt.contains(QLatin1String("locked")));
        QVERIFY(m_form->chkAddMode->isChecked());
        QCOMPARE(board().text(30), QStringLiteral("8"));
        locker.write("ROLLBACK;\n.quit\n");
        QVERIFY(locker.waitForFinished());
        m_prompter.replies.push_back(std::nullopt);
        QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
        QCOMPARE(rows(QStringLiteral("GameNo = 6")), QStringList { QStringLiteral("6|30|8") });
        QCOMPARE(rows(QStringLiteral("GameNo = 5")).size(), 81 - 9);
        QVERIFY(m_prompter.told.at(1).prompt.contains(QLatin1String("stored as puzzle 6")));
    }

    // A full disk (a file-size limit here) refuses the store; the player keeps every digit.
    void fullDiskKeepsTheTypedPuzzle()
    {
        start(3);
        clickAddMode();
        type(7, '2');
        type(70, '9');
        const QByteArray before = test::fileBytes(m_path);
        {
            test::FileSizeLimit full(100);
            QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
        }
        QVERIFY(
            m_prompter.told.at(0).prompt.startsWith(QLatin1String("The puzzle was not stored.")));
        QCOMPARE(test::fileBytes(m_path), before);
        QCOMPARE(board().text(7), QStringLiteral("2"));
        QCOMPARE(board().text(70), QStringLiteral("9"));
        QVERIFY(m_form->chkAddMode->isChecked());
    }

    // A puzzle that could never be won is not stored: the message names why, and the mode and
    // every typed digit stay, as when the store refuses.
    void unwinnablePuzzleIsRefused_data()
    {
        QTest::addColumn<Digits>("digits");
        QTest::addColumn<QString>("why");
        QTest::newRow("row") << Digits { { 1, '5' }, { 5, '5' }, { 40, '3' } }
                             << QStringLiteral("5 is twice in row 9 (counted from the top).");
        QTest::newRow("column") << Digits { { 3, '7' },
            { 30, '7' } } << QStringLiteral("7 is twice in column 3 (counted from the left).");
        QTest::newRow("box") << Digits { { 1, '2' }, { 11, '2' } }
                             << QStringLiteral("2 is twice in the bottom-left box.");
        QTest::newRow("top-right box") << Digits { { 81, '9' }, { 61, '9' } }
                                       << QStringLiteral("9 is twice in the top-right box.");
        // Row 1 holds 1 to 8 and a 9 stands above its last cell: nothing repeats, yet that
        // cell can take no digit.
        Digits stuck { { 18, '9' } };
        for (int i = 1; i <= 8; ++i)
            stuck.append({ i, static_cast<char>('0' + i) });
        QTest::newRow("no solution") << stuck << QStringLiteral("No solution exists");
    }
    void unwinnablePuzzleIsRefused()
    {
        QFETCH(Digits, digits);
        QFETCH(QString, why);
        start(4);
        clickAddMode();
        for (const auto &[cell, digit] : digits)
            type(cell, digit);
        const QByteArray before = test::fileBytes(m_path);
        QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
        QCOMPARE(test::fileBytes(m_path), before);
        QCOMPARE(m_prompter.told.size(), std::size_t(1));
        const QString told = m_prompter.told[0].prompt;
        QVERIFY2(told.startsWith(QLatin1String("The puzzle was not stored.")), qPrintable(told));
        QVERIFY2(told.contains(why), qPrintable(told));
        QVERIFY(m_prompter.asked.empty());
        QVERIFY(m_form->chkAddMode->isChecked());
        verifyPlayControls(false);
        QCOMPARE(board().gameNumberText(), QStringLiteral("5"));
        for (const auto &[cell, digit] : digits)
            QCOMPARE(board().text(cell), QString(QLatin1Char(digit)));
        // Mended, the same board is stored.
        test::arrange(board(), [&] {
            board().setText(digits.front().first, QString());
            if (why.startsWith(QLatin1String("No solution")))
                board().setText(18, QString());
        });
        m_prompter.replies.push_back(std::nullopt);
        QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
        QVERIFY(!rows(QStringLiteral("GameNo = 5")).isEmpty());
        QVERIFY(!m_form->chkAddMode->isChecked());
    }

    // A full library refuses the mode with a message and stays in play.
    void fullLibraryRefusesTheMode()
    {
        start(1);
        test::sqlite(m_path, QStringLiteral("INSERT INTO Game VALUES (32767, 1, 1)"));
        clickAddMode();
        QVERIFY(!m_form->chkAddMode->isChecked());
        verifyPlayControls(true);
        QVERIFY(m_prompter.told.at(0).prompt.contains(QLatin1String("full")));
    }
};

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
