#include "input/board.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

using namespace zov;

// Keypad digits overwrite a cell on every platform plugin: Qt 6.4 on Wayland sends them
// without KeypadModifier, with only the keypad's keysym to tell them from the main row.
class TestKeypadKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A digit key's keysym and modifiers as each plugin reports them, and whether it replaces
    // the 3 already in the cell.
    void keypadDigitReplacesTheCellsDigit_data()
    {
        QTest::addColumn<quint32>("keysym");
        QTest::addColumn<bool>("keypadModifier");
        QTest::addColumn<QString>("shown");
        QTest::newRow("xcb: keypad 7 with KeypadModifier") << 0xffb7u << true << "7";
        QTest::newRow("wayland: keypad 7, keysym KP_7 only") << 0xffb7u << false << "7";
        QTest::newRow("main-row 7") << 0x37u << false << "3";
        QTest::newRow("no keysym, no modifier (offscreen)") << 0u << false << "3";
        QTest::newRow("keysym just past the keypad (F1)") << 0xffbeu << false << "3";
    }
    void keypadDigitReplacesTheCellsDigit()
    {
        QFETCH(quint32, keysym);
        QFETCH(bool, keypadModifier);
        QFETCH(QString, shown);
        // The key goes straight to the box, as the window would send it to the focused cell.
        QWidget surface;
        input::Board board(&surface);
        const int index = 41;
        const input::Board::Action typing(board);
        board.setText(index, QStringLiteral("3"));
        input::CellBox *box = board.cell(index);
        const Qt::KeyboardModifiers mods = keypadModifier ? Qt::KeypadModifier : Qt::NoModifier;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_7, mods, 0, keysym, 0, QStringLiteral("7"));
        QApplication::sendEvent(box, &press);
        QCOMPARE(board.text(index), shown);
    }
};

QTEST_MAIN(TestKeypadKeys)
#include "tst_keypadkeys.moc"
