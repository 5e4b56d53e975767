#include "look/screen.h"
#include "support/testsupport.h"
#include "support/windowsupport.h"
#include "ui/form1.h"
#include "ui/playaids.h"
#include "ui/resources.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace zov;

namespace {

// How many pixels of two pictures of one cell differ once both are grey.
int greyDifference(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            n += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 40;
    return n;
}

} // namespace

class TestPlayAids : public QObject, test::WindowFixture
{
    Q_OBJECT

    void type(int i, int digit)
    {
        cell(i)->setFocus();
        QTest::keyClicks(cell(i), QString::number(digit));
    }
    void ctrl(int i, Qt::Key key)
    {
        cell(i)->setFocus();
        QTest::keyClick(cell(i), key, Qt::ControlModifier);
    }
    int digitOf(int i) { return board().text(i).toInt(); }
    // An open cell, and a given in its row with the digit to repeat.
    std::pair<int, int> openBesideGiven()
    {
        for (int i = openCell(); i; i = openCell(i))
            for (int g = 1; g <= CellCount; ++g)
                if (g != i && rowOf(g) == rowOf(i) && board().backColour(g) == GivenColour)
                    return { i, g };
        return { 0, 0 };
    }
    QList<int> clashing()
    {
        QList<int> out;
        for (int i = 1; i <= CellCount; ++i)
            if (cell(i)->clashing())
                out << i;
        return out;
    }
    QList<int> shaded()
    {
        QList<int> out;
        for (int i = 1; i <= CellCount; ++i)
            if (cell(i)->shaded())
                out << i;
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        loadBoardFont();
        test::makeLibrary(m_path, 2, 30);
    }
    void init() { QVERIFY(openFresh()); }
    void cleanup() { QVERIFY(closeWindow()); }

    // Ctrl+M shows both digits of a repeat, live as they change, by shape as well as colour;
    // off, nothing is shown; it never looks at the solution.
    void warningsFollowTheDigits()
    {
        const auto [i, g] = openBesideGiven();
        QVERIFY(i && g);
        const int d = digitOf(g);
        const QImage plain = cell(i)->grab().toImage();
        type(i, d);
        QVERIFY(clashing().isEmpty());
        const QImage unwarned = cell(i)->grab().toImage();
        ctrl(i, Qt::Key_M);
        const QList<int> shown = clashing();
        QVERIFY(shown.contains(i) && shown.contains(g));
        for (const int k : shown)
            QCOMPARE(digitOf(k), d);
        // Seen in grey too: the frame and strike are shapes, not a hue.
        QVERIFY(greyDifference(unwarned, cell(i)->grab().toImage()) > 20);
        QVERIFY(cell(i)->accessibleDescription().contains(QStringLiteral("repeated")));
        // A wrong digit that repeats nothing is not shown.
        QTest::keyClick(cell(i), Qt::Key_Backspace);
        QVERIFY(clashing().isEmpty());
        QCOMPARE(greyDifference(plain, cell(i)->grab().toImage()), 0);
        int wrong = 0;
        for (int e = 1; e <= 9 && !wrong; ++e)
            if (e != test::solvedDigit(i) && (board().allowed(i) & puzzles::digitBit(e)))
                wrong = e;
        if (wrong) {
            type(i, wrong);
            QVERIFY(clashing().isEmpty());
            QTest::keyClick(cell(i), Qt::Key_Backspace);
        }
        type(i, d);
        QCOMPARE(clashing(), shown);
        // Undo takes the repeat away, and with it the warning.
        ctrl(i, Qt::Key_Z);
        QVERIFY(clashing().isEmpty());
        ctrl(i, Qt::Key_Y);
        QCOMPARE(clashing(), shown);
        ctrl(i, Qt::Key_M);
        QVERIFY(clashing().isEmpty());
        // Done still judges the digits alone.
        QTest::mouseClick(m_form->cmdDone, Qt::LeftButton);
        QCOMPARE(m_prompter.told.back().prompt, QStringLiteral("Sorry"));
    }

    // Ctrl+L shades the cells holding the focused cell's digit and the notes of it, follows the
    // focus, and leaves the digits' colours as they are.
    void shadingFollowsTheFocus()
    {
        const int g = givenCell();
        const int d = digitOf(g);
        QList<int> holding;
        for (int i = 1; i <= CellCount; ++i)
            if (digitOf(i) == d)
                holding << i;
        const int n = openCell();
        test::arrange(board(), [&] { board().setNotes(n, puzzles::digitBit(d)); });
        const QImage noteBefore = cell(n)->grab().toImage();
        const QColor ink = cell(g)->palette().color(QPalette::Text);
        const QColor back = cell(g)->palette().color(QPalette::Base);
        ctrl(g, Qt::Key_L);
        QCOMPARE(shaded(), holding);
        QCOMPARE(cell(n)->shadedNote(), d);
        QVERIFY(noteBefore != cell(n)->grab().toImage());
        QCOMPARE(cell(g)->palette().color(QPalette::Text), ink);
        QVERIFY(cell(g)->palette().color(QPalette::Base) != back);
        QCOMPARE(cell(g)->backColour(), GivenColour);
        // Another digit's cell takes the shading; an empty cell takes it away.
        int h = 0;
        for (int i = 1; i <= CellCount && !h; ++i)
            if (digitOf(i) && digitOf(i) != d)
                h = i;
        cell(h)->setFocus();
        QVERIFY(!shaded().contains(g));
        QVERIFY(shaded().contains(h));
        cell(openCell())->setFocus();
        QVERIFY(shaded().isEmpty());
        // A digit typed is shaded with its like as it goes in.
        type(n, d);
        QVERIFY(shaded().contains(n) && shaded().contains(g));
        ctrl(n, Qt::Key_L);
        QVERIFY(shaded().isEmpty());
        QCOMPARE(cell(g)->palette().color(QPalette::Base), back);
    }

    // Ctrl+T puts the time in the title; the pause hides every cell and stops the clock, and
    // the same key, Enter or a click goes on where the player was.
    void clockAndPause()
    {
        const QString title = m_form->windowTitle();
        const int i = openCell();
        ctrl(i, Qt::Key_T);
        QVERIFY(QRegularExpression(QStringLiteral("^Zovudedoda \u2014 \\d+:\\d\\d$"))
                    .match(m_form->windowTitle())
                    .hasMatch());
        ctrl(i, Qt::Key_P);
        PlayAids &aids = m_form->aids();
        QVERIFY(aids.paused());
        QVERIFY(!aids.clock().running());
        for (int k = 1; k <= CellCount; ++k)
            QVERIFY(!cell(k)->isVisible());
        QTRY_VERIFY(aids.cover()->hasFocus());
        const auto stood = aids.clock().elapsed();
        QTest::qWait(1100);
        QCOMPARE(aids.clock().elapsed(), stood);
        // Typing while paused reaches no cell.
        QTest::keyClicks(aids.cover(), QStringLiteral("5"));
        QCOMPARE(board().text(i), QString());
        QTest::keyClick(aids.cover(), Qt::Key_Return);
        QVERIFY(!aids.paused());
        QVERIFY(cell(i)->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), cell(i));
        QVERIFY(aids.clock().running());
        ctrl(i, Qt::Key_P);
        QTest::mouseClick(aids.cover(), Qt::LeftButton);
        QVERIFY(!aids.paused());
        ctrl(i, Qt::Key_P);
        QTest::keyClick(aids.cover(), Qt::Key_Pause);
        QVERIFY(!aids.paused());
        // From a button, the focus goes back to the button.
        m_form->cmdDone->setFocus();
        QTest::keyClick(m_form->cmdDone, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(aids.paused());
        QTest::keyClick(aids.cover(), Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), m_form->cmdDone);
        // A button pressed while paused acts on the board shown again.
        ctrl(i, Qt::Key_P);
        QTest::mouseClick(m_form->cmdClear, Qt::LeftButton);
        QVERIFY(!aids.paused());
        // Minimized, the clock stands still; shown again, it runs.
        m_form->showMinimized();
        QTRY_VERIFY(!aids.clock().running());
        m_form->showNormal();
        QTRY_VERIFY(aids.clock().running());
        ctrl(i, Qt::Key_T);
        QCOMPARE(m_form->windowTitle(), title);
    }

    // "Congratulations" stops the time where it stands; New starts it again.
    void solvedStopsTheClock()
    {
        const int first = openCell();
        ctrl(first, Qt::Key_T);
        for (int i = openCell(); i; i = openCell(i))
            type(i, test::solvedDigit(i));
        QTest::mouseClick(m_form->cmdDone, Qt::LeftButton);
        QCOMPARE(m_prompter.told.back().prompt, QStringLiteral("Congratulations"));
        QVERIFY(!m_form->aids().clock().running());
        const QString stopped = m_form->windowTitle();
        QTest::qWait(1100);
        QCOMPARE(m_form->windowTitle(), stopped);
        m_form->chkShuffle->setChecked(false);
        m_prompter.replies.push_back(QStringLiteral("2"));
        QTest::mouseClick(m_form->cmdNew, Qt::LeftButton);
        QVERIFY(m_form->aids().clock().running());
        QVERIFY(m_form->windowTitle().endsWith(QStringLiteral("0:00")));
    }
};

QTEST_MAIN(TestPlayAids)
#include "tst_playaids.moc"
