#include "look/contrast.h"
#include "look/marks.h"
#include "look/screen.h"
#include "play/hints.h"
#include "puzzles/sudoku.h"
#include "puzzles/units.h"
#include "support/testsupport.h"
#include "support/windowsupport.h"
#include "ui/form1.h"
#include "ui/hintlayer.h"
#include "ui/hintpanel.h"
#include "ui/resources.h"
#include "ui/speaker.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <set>

using namespace zov;
using puzzles::hints::Drawing;
using puzzles::hints::Hint;
using puzzles::hints::Role;
using State = HintPanel::State;

namespace {

bool near(QRgb a, const QColor &b, int tolerance)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance
        && std::abs(qBlue(a) - b.blue()) <= tolerance;
}

// How many pixels of `r` on `image` are within `tolerance` of `c` in every channel.
int countNear(const QImage &image, const QRect &r, const QColor &c, int tolerance = 40)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += near(image.pixel(x, y), c, tolerance);
    return n;
}

// A dark scheme and a high-contrast inverse one, as desktops hand them to the game.
QPalette darkPalette()
{
    QPalette p(QColor(0xFF, 0xFF, 0xFF), QColor(0x35, 0x35, 0x35), QColor(0x50, 0x50, 0x50),
        QColor(0x20, 0x20, 0x20), QColor(0x40, 0x40, 0x40), QColor(0xFF, 0xFF, 0xFF),
        QColor(0xFF, 0xFF, 0xFF), QColor(0x2D, 0x2D, 0x2D), QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xE4));
    return p;
}
QPalette inversePalette()
{
    QPalette p(QColor(0xFF, 0xFF, 0xFF), QColor(0, 0, 0), QColor(0x80, 0x80, 0x80),
        QColor(0x40, 0x40, 0x40), QColor(0x60, 0x60, 0x60), QColor(0xFF, 0xFF, 0xFF),
        QColor(0xFF, 0xFF, 0xFF), QColor(0, 0, 0), QColor(0, 0, 0));
    p.setColor(QPalette::Highlight, QColor(0xFF, 0xFF, 0x00));
    return p;
}

} // namespace

class TestHintPanel : public QObject, test::WindowFixture
{
    Q_OBJECT
    puzzles::Grid m_solution {};

    HintPanel *panel() { return m_form->hintPanel(); }
    void press(int cell, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        board().cell(cell)->setFocus();
        QTest::keyClick(board().cell(cell), key, modifiers);
    }
    void ctrlH(int cell) { press(cell, Qt::Key_H, Qt::ControlModifier); }
    void type(int cell, int digit) { press(cell, Qt::Key(Qt::Key_0 + digit)); }
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
    // The cells the hint shown names, as text positions.
    std::set<int> named()
    {
        std::set<int> cells;
        const Hint &h = *panel()->hint();
        cells.insert(h.pattern.begin(), h.pattern.end());
        for (const auto &c : h.changes)
            cells.insert(c.cell);
        return cells;
    }
    // An open cell that sees none of the hint's cells.
    CellIndex apartFromHint()
    {
        const auto cells = named();
        for (int i = 1; i <= CellCount; ++i) {
            const int p = textPositionOf(i);
            if (!board().text(i).isEmpty())
                continue;
            if (std::none_of(cells.begin(), cells.end(), [&](int q) {
                    return q == p || puzzles::units.sees[std::size_t(p)][std::size_t(q)];
                }))
                return i;
        }
        return 0;
    }
    void toLastLevel()
    {
        while (panel()->more()->isVisible())
            QTest::mouseClick(panel()->more(), Qt::LeftButton);
    }
    QImage grabBoard() { return m_form->centralWidget()->grab().toImage(); }

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

    // Ctrl+H opens the panel beside the window, not modal, and the keyboard stays in the cell;
    // Ctrl+H again and More tell more, each level saying what the one before said and more, its
    // words handed on as they appear. Apply places the solution's digit as one undo step and
    // marks the cell until the next key.
    void levelsThenApply()
    {
        const int first = firstOpen();
        ctrlH(first);
        HintPanel *p = panel();
        QVERIFY(p && p->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(QApplication::focusWidget(), board().cell(first));
        QCOMPARE(p->windowTitle(), QStringLiteral("Zovudedoda"));
        QVERIFY(p->levelText().startsWith(QStringLiteral("Hidden single")));
        // Return in the panel tells more; a button the focus comes to first does not take it.
        QVERIFY(p->more()->isDefault() && !p->closeButton()->autoDefault());
        QVERIFY(p->screen()->availableGeometry().contains(p->frameGeometry()));
        // It follows the window.
        const QPoint was = p->pos();
        m_form->move(m_form->pos() - QPoint(40, 30));
        QTRY_VERIFY(p->pos() != was);
        QVERIFY(p->screen()->availableGeometry().contains(p->frameGeometry()));
        QSignalSpy spoken(p, &HintPanel::levelShown);
        QStringList said { p->text()->text() };
        ctrlH(first);
        QCOMPARE(p->level(), 1);
        said << p->text()->text();
        while (p->more()->isVisible()) {
            QVERIFY(!p->apply()->isVisible());
            QTest::mouseClick(p->more(), Qt::LeftButton);
            said << p->text()->text();
        }
        QCOMPARE(spoken.size(), said.size() - 1);
        QCOMPARE(spoken.back().front().toString(), p->levelText());
        for (qsizetype k = 1; k < said.size(); ++k)
            QVERIFY(said[k].startsWith(said[k - 1]) && said[k].size() > said[k - 1].size());
        QVERIFY(p->layer()->isVisible() && !p->layer()->drawing().empty());
        QVERIFY(p->apply()->isVisible());
        const auto changed = named();
        QTest::mouseClick(p->apply(), Qt::LeftButton);
        QCOMPARE(p->state(), State::Applied);
        // And says so, as the board's own keys do.
        QVERIFY(spokenSoFar().back().startsWith(QStringLiteral("Hint applied: ")));
        QVERIFY(p->nextButton()->isVisible() && !p->apply()->isVisible());
        QVERIFY(!p->layer()->isVisible());
        std::vector<int> placed;
        for (int i = 1; i <= CellCount; ++i)
            if (board().backColour(i) != GivenColour && !board().text(i).isEmpty()) {
                QCOMPARE(board().text(i), QString::number(solutionDigit(i)));
                placed.push_back(i);
            }
        QCOMPARE(placed.size(), std::size_t(1));
        QVERIFY(changed.count(textPositionOf(placed.front())));
        QVERIFY(board().cell(placed.front())->outlined());
        // One Ctrl+Z takes the whole step back, and the mark goes with the key.
        press(1, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!board().cell(placed.front())->outlined());
        for (int i = 1; i <= CellCount; ++i)
            if (board().backColour(i) != GivenColour)
                QCOMPARE(board().text(i), QString());
        // Apply again after the undo: the next Ctrl+H hints afresh.
        ctrlH(first);
        QCOMPARE(p->state(), State::Showing);
        QCOMPARE(p->level(), 0);
    }

    // While the panel is open the board takes digits and notes; the hint, its level and its
    // drawing stay as long as none of its cells changes, and Ctrl+H still goes further.
    void boardPlaysWhileOpen()
    {
        ctrlH(firstOpen());
        HintPanel *p = panel();
        toLastLevel();
        const int level = p->level();
        const Drawing drawn = p->layer()->drawing();
        QVERIFY(!drawn.empty());
        const CellIndex elsewhere = apartFromHint();
        QVERIFY(elsewhere);
        type(elsewhere, solutionDigit(elsewhere));
        QCOMPARE(board().text(elsewhere), QString::number(solutionDigit(elsewhere)));
        const CellIndex another = apartFromHint();
        press(another, Qt::Key_5, Qt::ControlModifier);
        QCOMPARE(board().notes(another), puzzles::digitBit(5));
        QVERIFY(p->isVisible());
        QCOMPARE(p->state(), State::Showing);
        QCOMPARE(p->level(), level);
        QVERIFY(p->layer()->isVisible());
        QCOMPARE(p->layer()->drawing().candidates.size(), drawn.candidates.size());
        QVERIFY(p->apply()->isVisible());
        // The hint still holds: Apply takes it, beside the player's own digit.
        QTest::mouseClick(p->apply(), Qt::LeftButton);
        QCOMPARE(board().text(elsewhere), QString::number(solutionDigit(elsewhere)));
        press(1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(board().text(elsewhere), QString::number(solutionDigit(elsewhere)));
    }

    // A change to a cell the hint names makes it wrong: the panel says so, drops its drawing
    // and offers the next hint, which then tells what is wrong now. Taking the step by hand is
    // told as such.
    void droppedWhenWrong()
    {
        ctrlH(firstOpen());
        HintPanel *p = panel();
        toLastLevel();
        const Hint hint = *p->hint();
        QCOMPARE(hint.changes.size(), std::size_t(1));
        const CellIndex target = cellOfTextPosition(hint.changes.front().cell);
        const int right = hint.changes.front().digit;
        type(target, right % 9 + 1);
        QCOMPARE(p->state(), State::Wrong);
        QVERIFY(p->status()->isVisible());
        QVERIFY(p->status()->text().contains(QStringLiteral("no longer holds")));
        QVERIFY(!p->layer()->isVisible());
        QVERIFY(!p->apply()->isVisible() && !p->more()->isVisible());
        QVERIFY(p->nextButton()->isVisible() && p->nextButton()->isDefault());
        QTest::mouseClick(p->nextButton(), Qt::LeftButton);
        QCOMPARE(p->state(), State::Showing);
        QCOMPARE(p->level(), 0);
        QCOMPARE(p->levelText(), QStringLiteral("A digit on the board is wrong."));
        QVERIFY(!p->status()->isVisible());

        // Undone, then the step typed by hand.
        press(target, Qt::Key_Z, Qt::ControlModifier);
        ctrlH(target);
        QCOMPARE(p->hint()->changes.front().cell, hint.changes.front().cell);
        type(target, right);
        QCOMPARE(p->state(), State::Applied);
        QVERIFY(p->status()->text().contains(QStringLiteral("now shows this step")));
    }

    // Escape in a cell or in the panel, and Close, hide the panel and its drawing; Ctrl+H on the
    // unchanged board brings the hint back at the level reached. Once the board has changed
    // under it, Ctrl+H starts the next hint.
    void levelKeptOnReopening()
    {
        const int first = firstOpen();
        ctrlH(first);
        HintPanel *p = panel();
        ctrlH(first);
        QCOMPARE(p->level(), 1);
        const QString words = p->text()->text();
        press(first, Qt::Key_Escape);
        QVERIFY(!p->isVisible());
        QVERIFY(!p->layer()->isVisible());
        ctrlH(first);
        QVERIFY(p->isVisible());
        QCOMPARE(p->level(), 1);
        QCOMPARE(p->text()->text(), words);
        QTest::mouseClick(p->closeButton(), Qt::LeftButton);
        QVERIFY(!p->isVisible());
        ctrlH(first);
        QCOMPARE(p->level(), 1);
        QTest::keyClick(p, Qt::Key_Escape);
        QVERIFY(!p->isVisible());
        // Closing changed nothing on the board.
        QCOMPARE(firstOpen(), first);

        const CellIndex target = cellOfTextPosition(p->hint()->changes.front().cell);
        type(target, solutionDigit(target) % 9 + 1);
        ctrlH(first);
        QCOMPARE(p->level(), 0);
        QCOMPARE(p->levelText(), QStringLiteral("A digit on the board is wrong."));
    }

    // What is wrong on the board comes first: a wrong digit is found, and Apply takes it away.
    void wrongDigitFirst()
    {
        const int i = firstOpen();
        const int wrong = solutionDigit(i) % 9 + 1;
        type(i, wrong);
        ctrlH(i);
        HintPanel *p = panel();
        QCOMPARE(p->levelText(), QStringLiteral("A digit on the board is wrong."));
        toLastLevel();
        QTest::mouseClick(p->apply(), Qt::LeftButton);
        QCOMPARE(board().text(i), QString());
    }

    // The hints applied one after another finish the puzzle on the window, and Done agrees.
    void hintsFinishThePuzzle()
    {
        for (int k = 0; k < 81 && firstOpen(); ++k) {
            ctrlH(firstOpen());
            toLastLevel();
            QVERIFY(panel()->apply()->isVisible());
            QTest::mouseClick(panel()->apply(), Qt::LeftButton);
        }
        QCOMPARE(firstOpen(), 0);
        QTest::mouseClick(m_form->cmdDone, Qt::LeftButton);
        QCOMPARE(m_prompter.told.back().prompt, QStringLiteral("Congratulations"));
    }

    // In add-game mode Ctrl+H does nothing, and entering it closes an open panel.
    void noHintsInAddGameMode()
    {
        ctrlH(firstOpen());
        QVERIFY(panel()->isVisible());
        m_form->chkAddMode->setChecked(true);
        QVERIFY(!panel()->isVisible());
        ctrlH(5);
        QVERIFY(!panel()->isVisible());
    }

    // The panel goes beside the window where the screen has room, and is never off the screen:
    // on the usual screens and on the test's own, with the longest words a hint can have, its
    // text scrolls and its buttons stay in sight.
    void fitsOnTheScreen_data()
    {
        QTest::addColumn<QRect>("room");
        QTest::newRow("1280x1024") << QRect(0, 0, 1280, 1024);
        QTest::newRow("1024x768") << QRect(0, 0, 1024, 768);
        QTest::newRow("1024x768 with a panel bar") << QRect(0, 32, 1024, 736);
        QTest::newRow("800x600") << QRect(0, 0, 800, 600);
    }
    void fitsOnTheScreen()
    {
        QFETCH(QRect, room);
        const QSize window(478 + 2, 385 + 30);
        QRect frame(QPoint(0, 0), window);
        frame.moveCenter(room.center());
        const QSize least(220, 120);
        // Two thousand characters at about 6 pixels each, 17 pixels a line, and 70 for the
        // buttons: far more than the screen holds at the narrow widths.
        const auto heightFor = [](int w) { return 70 + 17 * (2000 * 6 / std::max(w - 24, 1) + 1); };
        const QRect placed = panelPlace(room, frame, 380, least, heightFor);
        QVERIFY2(room.contains(placed),
            qPrintable(QStringLiteral("%1,%2 %3x%4")
                           .arg(placed.x())
                           .arg(placed.y())
                           .arg(placed.width())
                           .arg(placed.height())));
        QVERIFY(placed.width() >= least.width() && placed.height() >= least.height());
        if (room.width() >= 1024)
            QVERIFY(!placed.intersects(frame));
        // A short hint shows whole, beside the window.
        const QRect small = panelPlace(room, frame, 380, least, [](int) { return 200; });
        QVERIFY(room.contains(small));
        QCOMPARE(small.height(), 200);
        if (room.width() >= 1024)
            QVERIFY(!small.intersects(frame));
    }
    void longestHintFitsOnTheTestScreen()
    {
        const int first = firstOpen();
        ctrlH(first);
        HintPanel *p = panel();
        Hint h = *p->hint();
        const QString sentence = QStringLiteral(
            "If row 4, column 7 were 7, row 4, column 2 would be 3, which leaves row 6, column 2 "
            "without a digit. ");
        std::string longest;
        while (longest.size() < 2000)
            longest += sentence.toStdString();
        h.levels.push_back(longest);
        p->showHint(h);
        toLastLevel();
        QApplication::processEvents();
        const QRect screen = p->screen()->availableGeometry();
        QVERIFY(screen.contains(p->frameGeometry()));
        for (QWidget *b :
            { static_cast<QWidget *>(p->apply()), static_cast<QWidget *>(p->closeButton()) }) {
            QVERIFY(b->isVisible());
            const QRect r(b->mapTo(p, QPoint(0, 0)), b->size());
            QVERIFY(p->rect().contains(r));
        }
        QVERIFY(p->scroller()->verticalScrollBar()->maximum() > 0);
        // The last words are in sight when they come.
        QVERIFY(p->scroller()->verticalScrollBar()->value() > 0);
    }

    // The drawing's marks land where they belong: the shaded units, the frames by role, the
    // candidates in their ninths, the links between them; nothing else changes, and clearing the
    // drawing gives back the board's own pixels. The layer takes no clicks.
    void marksOnTheirPixels()
    {
        HintLayer layer(board());
        // No cursor blinking in a cell between the pictures.
        m_form->chkShuffle->setFocus();
        const QImage before = grabBoard();
        Drawing d;
        d.shades = { { 0, Role::Base }, { 17, Role::Cover } };
        d.cells = { { 40, Role::Pivot, 0 }, { 42, Role::Pincer, 0 } };
        d.candidates = { { 60, 5, Role::Removal, 0, true }, { 62, 3, Role::Placement, 0, true },
            { 66, 2, Role::Node, 1, true }, { 48, 2, Role::Node, 2, true },
            { 52, 4, Role::Pattern, 0, true } };
        d.lines = { { 66, 2, 48, 2, true }, { 48, 2, 52, 4, false } };
        layer.setDrawing(d);
        QVERIFY(layer.isVisible());
        const QImage after = grabBoard();
        QCOMPARE(after.devicePixelRatio(), 1.0);
        const MarkColours colour = markColours(QApplication::palette(&layer));

        // The removal struck across its ninth; the placement filled in its own.
        QVERIFY(countNear(after, layer.ninth(60, 5), colour.removal) >= 5);
        QCOMPARE(countNear(after, layer.ninth(60, 4), colour.removal), 0);
        const QRect placed = layer.ninth(62, 3);
        QVERIFY(
            countNear(after, placed, colour.placement, 8) >= placed.width() * placed.height() / 3);

        // Strong links solid, weak ones dashed, between the candidates' ninths.
        const auto along = [&](int fromCell, int fromDigit, int toCell, int toDigit) {
            const QPointF a = QRectF(layer.ninth(fromCell, fromDigit)).center();
            const QPointF b = QRectF(layer.ninth(toCell, toDigit)).center();
            const QPointF s = layer.linkEnd(fromCell, fromDigit, b);
            const QPointF e = layer.linkEnd(toCell, toDigit, a);
            int hit = 0, all = 0;
            for (int k = 2; k <= 38; ++k) {
                const QPointF q = s + (e - s) * (k / 40.0);
                const QPoint px(
                    static_cast<int>(std::floor(q.x())), static_cast<int>(std::floor(q.y())));
                hit += countNear(after, QRect(px, QSize(1, 1)), colour.pattern, 70) > 0;
                ++all;
            }
            return static_cast<double>(hit) / all;
        };
        QVERIFY2(along(66, 2, 48, 2) > 0.85, qPrintable(QString::number(along(66, 2, 48, 2))));
        const double dashed = along(48, 2, 52, 4);
        QVERIFY2(dashed > 0.2 && dashed < 0.8, qPrintable(QString::number(dashed)));

        // The pivot's frame is whole along its top, the pincer's dashed; a ring round a
        // pattern candidate.
        const auto topEdge = [&](int cell) {
            const QRect c = layer.contentsArea(cell);
            return countNear(
                       after, QRect(c.left() + 3, c.top(), c.width() - 6, 1), colour.pattern, 70)
                / double(c.width() - 6);
        };
        QVERIFY(topEdge(40) > 0.95);
        QVERIFY(topEdge(42) > 0.2 && topEdge(42) < 0.8);
        QVERIFY(countNear(after, layer.ninth(52, 4), colour.pattern, 70) >= 6);

        // The shaded units are tinted; a cell of neither is untouched, pixel for pixel.
        const auto backAt = [&](const QImage &image, int cell) {
            const QRect c = layer.contentsArea(cell);
            return image.pixel(c.left() + 1, c.bottom() - 1);
        };
        QVERIFY(backAt(after, 4) != backAt(before, 4));
        QVERIFY(backAt(after, 8 + 9 * 4) != backAt(before, 8 + 9 * 4));
        QVERIFY(backAt(after, 0) != backAt(after, 8) || backAt(after, 8) != backAt(after, 80));
        const QRect quiet = layer.cellArea(37);
        QCOMPARE(after.copy(quiet), before.copy(quiet));

        // Clicks go through to the cells.
        const QPoint centre = layer.cellArea(62).center();
        QCOMPARE(m_form->centralWidget()->childAt(centre), board().cell(cellOfTextPosition(62)));
        QTest::mouseClick(m_form->centralWidget()->childAt(centre), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), board().cell(cellOfTextPosition(62)));

        // A screen reader hears which cells the drawing marks, and only those.
        const auto said = [&](int p) {
            return board()
                .cell(cellOfTextPosition(p))
                ->accessibleDescription()
                .contains(QStringLiteral("shown by the hint"));
        };
        QVERIFY(said(40) && said(60) && !said(37));
        layer.clear();
        QVERIFY(!layer.isVisible());
        QVERIFY(!said(40) && !said(60));
        m_form->chkShuffle->setFocus();
        QCOMPARE(grabBoard(), before);
    }

    // Every mark's colour stands out from every cell back on the light default, a dark scheme
    // and a high-contrast inverse one, and the removals are not the pattern's colour.
    void marksStandOutOnEveryScheme_data()
    {
        QTest::addColumn<QPalette>("scheme");
        QTest::newRow("light default") << lightDefaultPalette();
        QTest::newRow("dark") << darkPalette();
        QTest::newRow("high-contrast inverse") << inversePalette();
    }
    void marksStandOutOnEveryScheme()
    {
        QFETCH(QPalette, scheme);
        const MarkColours m = markColours(scheme);
        const CellBacks backs = cellBacks(scheme);
        for (const QColor &c :
            { m.pattern, m.removal, m.placement, m.groupA, m.groupB, m.fin, m.empty })
            for (const QColor &back : { backs.open, backs.given, backs.marked })
                QVERIFY2(contrastRatio(c, back) >= MinMarkRatio - 0.01,
                    qPrintable(c.name() + QStringLiteral(" on ") + back.name()));
        QVERIFY(colourDistance(m.removal, m.pattern) > 10);
        QVERIFY(colourDistance(m.groupA, m.groupB) > 10);
        QVERIFY(colourDistance(m.placement, m.removal) > 10);
        QVERIFY(contrastRatio(m.onPattern, m.pattern) >= 3);
    }
};

QTEST_MAIN(TestHintPanel)
#include "tst_hintpanel.moc"
