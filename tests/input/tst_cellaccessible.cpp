#include "input/board.h"
#include "input/cellaccessible.h"
#include "ui/resources.h"

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QApplication>
#include <QTest>
#include <optional>

using namespace zov;
using namespace zov::input;

class TestCellAccessible : public QObject
{
    Q_OBJECT
    QWidget *m_window = nullptr;
    Board *m_board = nullptr;
    std::optional<Board::Action> m_writing;

    static QAccessibleInterface *reader(QWidget *w)
    {
        return QAccessible::queryAccessibleInterface(w);
    }

    // Asks `box` for every unit of its text at every offset from before its start to past its
    // end, through the three ways of asking; each answer is a piece of the text where it says.
    static void answersEveryRequest(QWidget *box)
    {
        QAccessibleInterface *iface = reader(box);
        QVERIFY(iface);
        QAccessibleTextInterface *text = iface->textInterface();
        QVERIFY(text);
        const QString whole = iface->text(QAccessible::Value);
        const int n = text->characterCount();
        QCOMPARE(n, whole.size());
        QCOMPARE(text->text(0, n), whole);
        const QAccessible::TextBoundaryType units[] = { QAccessible::CharBoundary,
            QAccessible::WordBoundary, QAccessible::SentenceBoundary,
            QAccessible::ParagraphBoundary, QAccessible::LineBoundary, QAccessible::NoBoundary };
        for (const auto unit : units) {
            for (int offset = -2; offset <= n + 2; ++offset) {
                const auto where = QStringLiteral("unit %1 at %2 of \"%3\"")
                                       .arg(int(unit))
                                       .arg(offset)
                                       .arg(whole)
                                       .toUtf8();
                for (int way = 0; way < 3; ++way) {
                    int start = -7;
                    int end = -7;
                    const QString got = way == 0 ? text->textAtOffset(offset, unit, &start, &end)
                        : way == 1 ? text->textBeforeOffset(offset, unit, &start, &end)
                                   : text->textAfterOffset(offset, unit, &start, &end);
                    if (start == -1 && end == -1) {
                        QVERIFY2(got.isEmpty(), where.constData());
                        continue;
                    }
                    QVERIFY2(0 <= start && start <= end && end <= n && (start < end || n == 0),
                        where.constData());
                    QVERIFY2(got == whole.mid(start, end - start), where.constData());
                    if (way == 0)
                        QVERIFY2(
                            start <= offset && (offset < end || offset == n), where.constData());
                    if (way == 1)
                        QVERIFY2(end <= offset, where.constData());
                    if (way == 2)
                        QVERIFY2(start > offset, where.constData());
                }
                // Inside the text there is always a character, a line and the whole.
                if (offset >= 0 && offset < n) {
                    int start = -1;
                    int end = -1;
                    QCOMPARE(text->textAtOffset(offset, unit, &start, &end).isEmpty(), false);
                }
            }
            // One run of attributes over the whole text: a screen reader reads the text run by
            // run, and drops a text whose run is empty.
            for (int offset = 0; offset <= n; ++offset) {
                int start = -1;
                int end = -1;
                text->attributes(offset, &start, &end);
                QCOMPARE(start, 0);
                QCOMPARE(end, n);
            }
        }
    }

private Q_SLOTS:
    void initTestCase() { loadBoardFont(); }
    void init()
    {
        m_window = new QWidget;
        m_window->resize(478, 360);
        m_board = new Board(m_window);
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

    // A cell's name is its place as players count it, its value the digit, its description the
    // rest of what it holds.
    void cellSaysWhereItIsAndWhatItHolds()
    {
        const CellIndex r3c6 = cellAt(7, 6);
        QAccessibleInterface *cell = reader(m_board->cell(r3c6));
        QVERIFY(cell);
        QCOMPARE(cell->role(), QAccessible::EditableText);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("Row 3, column 6, box 2"));
        QCOMPARE(reader(m_board->cell(1))->text(QAccessible::Name),
            QStringLiteral("Row 9, column 1, box 7"));
        QCOMPARE(cell->text(QAccessible::Value), QString());
        QCOMPARE(cell->text(QAccessible::Description), QStringLiteral("empty"));
        QVERIFY(cell->state().editable && cell->state().focusable);

        m_board->setNotes(r3c6, 0x109);
        QCOMPARE(cell->text(QAccessible::Description), QStringLiteral("empty, notes 1 4 9"));
        m_board->setBackColour(r3c6, MarkColour);
        QCOMPARE(
            cell->text(QAccessible::Description), QStringLiteral("empty, marked, notes 1 4 9"));
        m_board->setText(r3c6, QStringLiteral("7"));
        QCOMPARE(cell->text(QAccessible::Value), QStringLiteral("7"));
        QCOMPARE(cell->text(QAccessible::Description), QStringLiteral("marked"));
        m_board->setBackColour(r3c6, GivenColour);
        QCOMPARE(cell->text(QAccessible::Description), QStringLiteral("given"));
        m_board->outline({ r3c6 });
        QCOMPARE(cell->text(QAccessible::Description), QStringLiteral("given, shown by the hint"));
        m_board->clearOutline();
        m_board->setBackColour(r3c6, OpenColour);
        QCOMPARE(cell->text(QAccessible::Description), QString());
        // The interface is the cell's own: the same one on every question.
        QCOMPARE(reader(m_board->cell(r3c6)), cell);
    }

    void gameNumberBoxKeepsItsName()
    {
        m_board->setText(0, QStringLiteral("4723"));
        QAccessibleInterface *box = reader(m_board->gameNumberBox());
        QCOMPARE(box->text(QAccessible::Name), QStringLiteral("Game No."));
        QCOMPARE(box->text(QAccessible::Value), QStringLiteral("4723"));
        QVERIFY(box->state().readOnly);
        QVERIFY(!box->state().editable);
    }

    // No request hangs, and every answer is a piece of the text where it says: in an empty
    // cell, a cell with a digit, the game-number box at its widest, and any line edit of the
    // game (New's number box), with words and blanks.
    void everyTextRequestIsAnswered()
    {
        answersEveryRequest(m_board->cell(5));
        m_board->setText(5, QStringLiteral("7"));
        answersEveryRequest(m_board->cell(5));
        m_board->setText(0, QString::number(MaxGameNumber));
        answersEveryRequest(m_board->gameNumberBox());
        m_board->setText(0, QString());
        answersEveryRequest(m_board->gameNumberBox());
        auto *edit = new QLineEdit(m_window);
        for (const auto &t : { QStringLiteral("4723"), QStringLiteral("  two words  here "),
                 QStringLiteral("x"), QStringLiteral(" ") }) {
            edit->setText(t);
            answersEveryRequest(edit);
        }
        // The word at the very end, the request that spun Qt's own line edit, is the last word.
        edit->setText(QStringLiteral("12 345"));
        int start = -1;
        int end = -1;
        QCOMPARE(
            reader(edit)->textInterface()->textAtOffset(6, QAccessible::WordBoundary, &start, &end),
            QStringLiteral("345"));
        QCOMPARE(start, 3);
        QCOMPARE(end, 6);
        // A password's text stays Qt's to hide.
        auto *hidden = new QLineEdit(m_window);
        hidden->setEchoMode(QLineEdit::Password);
        hidden->setText(QStringLiteral("secret"));
        QVERIFY(reader(hidden)->text(QAccessible::Value) != QStringLiteral("secret"));
    }
};

QTEST_MAIN(TestCellAccessible)
#include "tst_cellaccessible.moc"
