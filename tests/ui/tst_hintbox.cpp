#include "play/hints.h"
#include "puzzles/sudoku.h"
#include "support/testsupport.h"
#include "support/windowsupport.h"
#include "ui/form1.h"
#include "ui/hintbox.h"
#include "ui/resources.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

using namespace zov;

class TestHintBox : public QObject, test::WindowFixture
{
    Q_OBJECT
    puzzles::Grid m_solution {};

    // Opens the hint box with Ctrl+H in `cell` and runs `inside` on it while it is open; false
    // when no box came.
    bool withHintBox(int cell, const std::function<void(HintBox &)> &inside)
    {
        bool came = false;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<HintBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            came = true;
            inside(*box);
            if (box->isVisible())
                box->reject();
        });
        board().cell(cell)->setFocus();
        QTest::keyClick(board().cell(cell), Qt::Key_H, Qt::ControlModifier);
        // Without a box the timer has not fired yet: let it, so that it finds nothing later.
        QCoreApplication::processEvents();
        return came;
    }
    int solutionDigit(CellIndex i) const
    {
        return m_solution[static_cast<std::size_t>(textPositionOf(i))];
    }
    int firstOpen()
    {
        for (int i = 1; i <= CellCount; ++i)
            if (board().text(i).isEmpty())
                return i;
        return 0;
    }
    QString levelText(HintBox &box) { return box.text()->text(); }

private Q_SLOTS:
    void initTestCase()
    {
        loadBoardFont();
        // The default library's first puzzle: hidden singles only.
        const std::string line
            = ".....5.86627348.9.8.39.64....84539273...9...19751628....65.92.4.8.73156959.6.....";
        const auto grid = puzzles::fromText(line);
        QVERIFY(grid);
        QCOMPARE(puzzles::countSolutions(*grid, 2, &m_solution), 1);
        store::Puzzle p;
        for (int pos = 0; pos < 81; ++pos)
            if ((*grid)[std::size_t(pos)])
                p.push_back({ cellOfTextPosition(pos), (*grid)[std::size_t(pos)] });
        QVERIFY(store::PuzzleStore::create(test::path8(m_path), { p }));
    }
    void init() { QVERIFY(openFresh()); }
    void cleanup() { QVERIFY(closeWindow()); }

    // More tells more at each level; the last outlines the cells of the pattern and offers
    // Apply, which places the solution's digit as one undo step.
    void levelsThenApply()
    {
        QStringList said;
        std::vector<CellIndex> outlined;
        const bool came = withHintBox(firstOpen(), [&](HintBox &box) {
            QCOMPARE(box.windowTitle(), QStringLiteral("Zovudedoda"));
            QVERIFY(levelText(box).startsWith(QStringLiteral("Hidden single")));
            QVERIFY(!box.apply()->isVisible());
            while (box.more()->isVisible()) {
                said << levelText(box);
                QTest::mouseClick(box.more(), Qt::LeftButton);
            }
            said << levelText(box);
            for (int i = 1; i <= CellCount; ++i)
                if (board().cell(i)->outlined())
                    outlined.push_back(i);
            QVERIFY(box.apply()->isVisible());
            QTest::mouseClick(box.apply(), Qt::LeftButton);
        });
        QVERIFY(came);
        // The name, where to look, the pattern, the reason: each level says what the one before
        // said, and more.
        QCOMPARE(said.size(), 4);
        for (qsizetype k = 1; k < said.size(); ++k)
            QVERIFY(said[k].startsWith(said[k - 1]));
        QVERIFY(!outlined.empty());
        int placed = 0;
        for (int i = 1; i <= CellCount; ++i)
            if (board().backColour(i) != GivenColour && !board().text(i).isEmpty()) {
                QCOMPARE(board().text(i), QString::number(solutionDigit(i)));
                ++placed;
            }
        QCOMPARE(placed, 1);
        // The outline stays until the next key.
        QVERIFY(board().cell(outlined.front())->outlined());
        QVERIFY(board()
                    .cell(outlined.front())
                    ->accessibleDescription()
                    .contains(QStringLiteral("shown by the hint")));
        QTest::keyClick(board().cell(1), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!board().cell(outlined.front())->outlined());
        for (int i = 1; i <= CellCount; ++i)
            if (board().backColour(i) != GivenColour)
                QCOMPARE(board().text(i), QString());
    }

    // Close (and Escape) leave the board as it was; the same board gives the same hint.
    void closeChangesNothingAndHintsRepeat()
    {
        std::vector<input::CellState> before;
        for (int i = 1; i <= CellCount; ++i)
            before.push_back(board().state(i));
        QStringList first, second;
        QVERIFY(withHintBox(firstOpen(), [&](HintBox &box) {
            while (box.more()->isVisible())
                QTest::mouseClick(box.more(), Qt::LeftButton);
            first << levelText(box);
            QTest::mouseClick(box.closeButton(), Qt::LeftButton);
        }));
        QVERIFY(withHintBox(firstOpen(), [&](HintBox &box) {
            while (box.more()->isVisible())
                QTest::mouseClick(box.more(), Qt::LeftButton);
            second << levelText(box);
            QTest::keyClick(&box, Qt::Key_Escape);
            QVERIFY(!box.isVisible());
        }));
        QCOMPARE(first, second);
        for (int i = 1; i <= CellCount; ++i)
            QVERIFY(board().state(i) == before[std::size_t(i - 1)]);
    }

    // What is wrong on the board comes first: a wrong digit is found, and Apply takes it away.
    void wrongDigitFirst()
    {
        const int i = firstOpen();
        const int wrong = solutionDigit(i) % 9 + 1;
        board().cell(i)->setFocus();
        QTest::keyClick(board().cell(i), Qt::Key(Qt::Key_0 + wrong));
        QStringList said;
        QVERIFY(withHintBox(i, [&](HintBox &box) {
            said << levelText(box);
            while (box.more()->isVisible())
                QTest::mouseClick(box.more(), Qt::LeftButton);
            said << levelText(box);
            QTest::mouseClick(box.apply(), Qt::LeftButton);
        }));
        QCOMPARE(said.front(), QStringLiteral("A digit on the board is wrong."));
        QCOMPARE(board().text(i), QString());
    }

    // The hints applied one after another finish the puzzle on the window, and Done agrees.
    void hintsFinishThePuzzle()
    {
        for (int k = 0; k < 81 && firstOpen(); ++k)
            QVERIFY(withHintBox(firstOpen(), [&](HintBox &box) {
                while (box.more()->isVisible())
                    QTest::mouseClick(box.more(), Qt::LeftButton);
                QVERIFY(box.apply()->isVisible());
                QTest::mouseClick(box.apply(), Qt::LeftButton);
            }));
        QCOMPARE(firstOpen(), 0);
        QTest::mouseClick(m_form->cmdDone, Qt::LeftButton);
        QCOMPARE(m_prompter.told.back().prompt, QStringLiteral("Congratulations"));
    }

    // In add-game mode Ctrl+H does nothing.
    void noHintsInAddGameMode()
    {
        m_form->chkAddMode->setChecked(true);
        QVERIFY(!withHintBox(5, [](HintBox &) {}));
    }
};

QTEST_MAIN(TestHintBox)
#include "tst_hintbox.moc"
