#include "support/testsupport.h"
#include "ui/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace zov;

class TestRandomPlay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Random keys, clicks, buttons and answers never break the board or the library.
    void randomPlayKeepsEveryRule()
    {
        const quint32 seed = qEnvironmentVariableIsSet("ZOVUDEDODA_SEED")
            ? qEnvironmentVariable("ZOVUDEDODA_SEED").toUInt()
            : QRandomGenerator::global()->generate();
        const int events = qEnvironmentVariableIsSet("ZOVUDEDODA_RANDOM_EVENTS")
            ? qEnvironmentVariable("ZOVUDEDODA_RANDOM_EVENTS").toInt()
            : 100000;
        qInfo("seed %u (set ZOVUDEDODA_SEED to repeat), %d events", seed, events);
        QRandomGenerator rnd(seed);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Zovudedoda.mdb"));
        test::makeLibrary(path, 12, 25);
        test::ScriptedPrompter prompter;
        prompter.whileAsking = [&] {
            const int kind = static_cast<int>(rnd.bounded(4));
            if (kind == 0)
                prompter.replies.push_back(std::nullopt);
            else if (kind == 1)
                prompter.replies.push_back(QStringLiteral("x%1").arg(rnd.bounded(100)));
            else
                prompter.replies.push_back(QString::number(rnd.bounded(1, 14)));
        };
        Form1 form(path, prompter);
        QVERIFY(form.Load());
        form.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        input::Board &board = form.board();

        const Qt::Key keys[] = { Qt::Key_0, Qt::Key_1, Qt::Key_5, Qt::Key_9, Qt::Key_A,
            Qt::Key_Space, Qt::Key_Period, Qt::Key_Minus, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,
            Qt::Key_Down, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Tab, Qt::Key_Home,
            Qt::Key_Return };
        QPushButton *buttons[] = { form.cmdNew, form.cmdClear, form.cmdDone, form.cmdSave };

        QStringList typed;
        QString proposed;
        for (int e = 0; e < events; ++e) {
            const int what = static_cast<int>(rnd.bounded(100));
            QString action;
            if (what < 55) {
                QWidget *target
                    = QApplication::focusWidget() ? QApplication::focusWidget() : board.txtRow1(1);
                const Qt::Key key = keys[rnd.bounded(int(std::size(keys)))];
                Qt::KeyboardModifiers mods;
                if (rnd.bounded(3) == 0)
                    mods |= Qt::KeypadModifier;
                if (rnd.bounded(8) == 0)
                    mods |= Qt::ShiftModifier;
                QTest::keyClick(target, key, mods);
                action = QStringLiteral("key %1").arg(int(key));
            } else if (what < 85) {
                const int cell = static_cast<int>(rnd.bounded(1, 82));
                const Qt::MouseButton b = rnd.bounded(3) == 0 ? Qt::LeftButton
                    : rnd.bounded(2)                          ? Qt::RightButton
                                                              : Qt::MiddleButton;
                QTest::mouseClick(
                    form.windowHandle(), b, {}, board.txtRow1(cell)->mapTo(&form, QPoint(16, 17)));
                action = QStringLiteral("click %1 on %2").arg(int(b)).arg(cell);
            } else if (what < 95) {
                QPushButton *b = buttons[rnd.bounded(4)];
                if (b == form.cmdSave && b->isEnabled()) {
                    typed.clear();
                    for (int i = 1; i <= 81; ++i)
                        if (!board.text(i).isEmpty())
                            typed << QStringLiteral("%1|%2").arg(i).arg(board.text(i));
                    proposed = board.gameNumberText();
                }
                QTest::mouseClick(b, Qt::LeftButton);
                action = b->objectName();
            } else {
                QCheckBox *c = rnd.bounded(2) ? form.chkShuffle : form.chkAddMode;
                QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(6, c->height() / 2));
                action = c->objectName();
            }

            for (int i = 1; i <= 81; ++i) {
                const QString t = board.text(i);
                const ColourValue back = board.backColour(i);
                if (!(t.isEmpty()
                        || (t.size() == 1 && t[0] >= QLatin1Char('1') && t[0] <= QLatin1Char('9')))
                    || !(back == OpenColour || back == GivenColour || back == MarkColour))
                    QFAIL(qPrintable(QStringLiteral("event %1 (%2): cell %3 holds '%4'")
                                         .arg(e)
                                         .arg(action)
                                         .arg(i)
                                         .arg(t)));
            }
            if (action == QLatin1String("cmdClear") && !form.chkAddMode->isChecked()
                && board.gameNumberText() == QString::number(form.game()->current())) {
                for (const auto &row : form.game()->rsCurrentGame())
                    if (row.wellFormed() && board.backColour(*row.index) == GivenColour)
                        QCOMPARE(board.text(*row.index), QString::number(*row.number));
            }
            if (action == QLatin1String("cmdSave") && !proposed.isEmpty()) {
                // The stored puzzle is exactly what stood on the board, every digit of it; a
                // puzzle that could not be won is refused whole and stays on the board.
                QCOMPARE(test::sqlite(path, QStringLiteral("PRAGMA integrity_check")),
                    QStringList { QStringLiteral("ok") });
                const bool refused = form.chkAddMode->isChecked();
                QCOMPARE(test::sqlite(path,
                             QStringLiteral("SELECT \"Index\", Number FROM Game WHERE GameNo = %1 "
                                            "ORDER BY \"Index\"")
                                 .arg(proposed)),
                    refused ? QStringList() : typed);
                if (refused)
                    for (const QString &t : std::as_const(typed)) {
                        const auto cell = t.section(QLatin1Char('|'), 0, 0).toInt();
                        QCOMPARE(board.text(cell), t.section(QLatin1Char('|'), 1, 1));
                    }
                proposed.clear();
            }
        }
        // Numbers run from 1 without a gap: nothing stored was half a puzzle or lost.
        const QStringList numbers = test::sqlite(
            path, QStringLiteral("SELECT COUNT(DISTINCT GameNo), MAX(GameNo) FROM Game"));
        const QStringList parts = numbers[0].split(QLatin1Char('|'));
        QCOMPARE(parts[0], parts[1]);
        qInfo("library now holds %s puzzles", qPrintable(parts[0]));
    }

    // From a loaded puzzle, random actions of every kind and then as many undos give back the
    // loaded puzzle exactly (texts, back and text colours, notes); as many redos then give back
    // the state after the actions.
    void undoAndRedoRetraceEveryAction()
    {
        const quint32 seed = qEnvironmentVariableIsSet("ZOVUDEDODA_SEED")
            ? qEnvironmentVariable("ZOVUDEDODA_SEED").toUInt()
            : QRandomGenerator::global()->generate();
        const int actions = qEnvironmentVariableIsSet("ZOVUDEDODA_RANDOM_ACTIONS")
            ? qEnvironmentVariable("ZOVUDEDODA_RANDOM_ACTIONS").toInt()
            : 3000;
        qInfo("seed %u (set ZOVUDEDODA_SEED to repeat), %d actions", seed, actions);
        QRandomGenerator rnd(seed);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Zovudedoda.mdb"));
        test::makeLibrary(path, 3, 28);
        test::ScriptedPrompter prompter;
        Form1 form(path, prompter);
        QVERIFY(form.Load());
        form.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        input::Board &board = form.board();
        const auto picture = [&] {
            std::vector<input::CellState> p;
            for (int i = 1; i <= CellCount; ++i)
                p.push_back(board.state(i));
            return p;
        };
        const auto loaded = picture();
        const Qt::Key digits[] = { Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5, Qt::Key_6,
            Qt::Key_7, Qt::Key_8, Qt::Key_9 };
        for (int a = 0; a < actions; ++a) {
            input::CellBox *cell = board.cell(static_cast<int>(rnd.bounded(1, 82)));
            cell->setFocus();
            const Qt::Key digit = digits[rnd.bounded(9)];
            switch (rnd.bounded(10)) {
            case 0:
            case 1:
                QTest::keyClick(cell, digit);
                break;
            case 2:
                QTest::keyClick(cell, digit, Qt::KeypadModifier);
                break;
            case 3:
                QTest::keyClick(cell, rnd.bounded(2) ? Qt::Key_Backspace : Qt::Key_Delete);
                break;
            case 4:
                QTest::mouseClick(cell, Qt::RightButton);
                break;
            case 5:
            case 6:
                QTest::keyClick(cell, digit, Qt::ControlModifier);
                break;
            case 7:
                // Fill, or clear a cell's notes (Ctrl+N alone is New, which starts a history).
                if (rnd.bounded(3))
                    QTest::keyClick(cell, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
                else
                    QTest::keyClick(cell, Qt::Key_0,
                        rnd.bounded(2) ? Qt::ControlModifier | Qt::ShiftModifier
                                       : Qt::ControlModifier);
                break;
            case 8:
                QTest::mouseClick(rnd.bounded(4) ? form.cmdDone : form.cmdClear, Qt::LeftButton);
                break;
            default:
                QTest::keyClick(cell, Qt::Key_End);
                break;
            }
        }
        const auto after = picture();
        QWidget *at = board.cell(1);
        for (int a = 0; a < actions; ++a)
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : at,
                Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!board.history().canUndo());
        QVERIFY2(picture() == loaded, "undone back to the loaded puzzle");
        for (int a = 0; a < actions; ++a)
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : at,
                Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!board.history().canRedo());
        QVERIFY2(picture() == after, "redone to the state after the actions");
    }
};

QTEST_MAIN(TestRandomPlay)
#include "tst_randomplay.moc"
