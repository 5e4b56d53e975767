#include "input/board.h"

#include "input/cellaccessible.h"
#include "input/cellinput.h"
#include "look/fonts.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace zov {
namespace {

// Qt 6.4's Wayland plugin leaves KeypadModifier off the keypad's keys (xcb sets it); their
// keysyms, XKB_KEY_KP_Space to XKB_KEY_KP_Equal, still tell them apart.
Qt::KeyboardModifiers withKeypad(const QKeyEvent &key)
{
    constexpr quint32 FirstKeypadKeysym = 0xff80;
    constexpr quint32 LastKeypadKeysym = 0xffbd;
    const quint32 keysym = key.nativeVirtualKey();
    if (keysym >= FirstKeypadKeysym && keysym <= LastKeypadKeysym)
        return key.modifiers() | Qt::KeypadModifier;
    return key.modifiers();
}

// The key's place on the keyboard, where the platform numbers keys as evdev does.
quint32 scanCodeOf(const QKeyEvent &key)
{
    static const bool evdev = QGuiApplication::platformName() == QLatin1String("xcb")
        || QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    return evdev ? key.nativeScanCode() : 0;
}

std::uint8_t digitOf(const QString &text)
{
    if (text.size() == 1 && text.front() >= QLatin1Char('1') && text.front() <= QLatin1Char('9'))
        return static_cast<std::uint8_t>(text.front().unicode() - u'0');
    return 0;
}

} // namespace

Board::Board(QWidget *surface)
    : QObject(surface)
{
    installBoxAccessibility();
    // A see-through layer under every other control of the window, carrying the cells' font.
    auto *layer = new QWidget(surface);
    layer->setObjectName(QStringLiteral("board"));
    layer->setGeometry(surface->rect());
    QFont cellFont(ScalableFace, 18, QFont::Bold);
    // Cells show only the digits 1 to 9: looking up fallback fonts for other scripts only
    // costs start-up time.
    cellFont.setStyleStrategy(QFont::NoFontMerging);
    layer->setFont(cellFont);
    layer->lower();
    m_boxes[0] = new GameNumberBox(surface);
    for (int i = 1; i <= CellCount; ++i)
        m_boxes[static_cast<std::size_t>(i)] = new CellBox(i, layer);
    for (int i = 0; i <= CellCount; ++i) {
        BoardBox *box = txtRow1(i);
        // Connected first, before anyone else: the filter may write the text again, and later
        // slots would see the changes out of order.
        connect(box, &QLineEdit::textChanged, this, [this, i] { textChanged(i); });
        if (i != 0)
            box->installEventFilter(this);
    }
}

void Board::setBackColour(int index, ColourValue c)
{
    if (index != 0 && c != backColour(index))
        touch(index);
    txtRow1(index)->setBackColour(c);
}

void Board::empty()
{
    for (CellIndex i = 1; i <= CellCount; ++i) {
        setText(i, QString());
        setBackColour(i, OpenColour);
        setNotes(i, 0);
    }
}

void Board::CellInputFilter(int index)
{
    BoardBox *box = txtRow1(index);
    // Read the box, not the signal's argument: a nested run may already have emptied it.
    if (!input::keepsText(box->text()))
        box->setText(QString());
    if (const auto colour = input::digitColour(box->text()))
        box->setForeColour(*colour);
}

void Board::textChanged(int index)
{
    if (index == 0) {
        CellInputFilter(0);
        return;
    }
    // Before the filter recolours it: the history keeps the cell as it was.
    touch(index);
    CellInputFilter(index);
    CellBox *box = cell(index);
    const std::uint8_t digit = digitOf(box->text());
    const std::uint8_t was = box->digit();
    box->settle(digit);
    if (!digit || digit == was || m_replaying)
        return;
    // A placed digit takes its cell's notes, and its own note from every cell it sees.
    setNotes(index, 0);
    const input::Notes bit = input::noteBit(digit);
    for (const int g : groupsOf(index))
        for (const CellIndex j : groups()[static_cast<std::size_t>(g)])
            if (notes(j) & bit)
                setNotes(j, static_cast<input::Notes>(notes(j) & ~bit));
}

void Board::touch(CellIndex index)
{
    if (!m_replaying)
        m_history.touch(index, state(index));
}

void Board::setNotes(CellIndex index, input::Notes n)
{
    if (n == notes(index))
        return;
    touch(index);
    cell(index)->setNotes(n);
}

bool Board::toggleNote(CellIndex index, int digit)
{
    if (!m_notesTaken || backColour(index) == GivenColour || !text(index).isEmpty())
        return false;
    setNotes(index, static_cast<input::Notes>(notes(index) ^ input::noteBit(digit)));
    return true;
}

input::Notes Board::allowed(CellIndex index) const
{
    input::Notes held = 0;
    for (const int g : groupsOf(index))
        for (const CellIndex j : groups()[static_cast<std::size_t>(g)])
            if (const auto d = cell(j)->digit())
                held = static_cast<input::Notes>(held | input::noteBit(d));
    return static_cast<input::Notes>(input::AllNotes & ~held);
}

void Board::fillNotes()
{
    if (!m_notesTaken)
        return;
    for (CellIndex i = 1; i <= CellCount; ++i)
        if (text(i).isEmpty() && backColour(i) != GivenColour)
            setNotes(i, allowed(i));
}

void Board::setState(CellIndex index, const input::CellState &s)
{
    setText(index, s.digit ? QString(QChar(u'0' + s.digit)) : QString());
    setBackColour(index, s.back);
    // After the text: the filter recolours digits, and the colour kept must win.
    if (s.fore != txtRow1(index)->foreColour()) {
        touch(index);
        txtRow1(index)->setForeColour(s.fore);
    }
    setNotes(index, s.notes);
}

void Board::sealStep()
{
    m_history.seal([this](CellIndex i) { return state(i); });
}

void Board::resetHistory() { m_history.reset(); }

bool Board::undo()
{
    sealStep();
    const auto *step = m_history.undo();
    if (step)
        replay(*step, false);
    return step;
}

bool Board::redo()
{
    sealStep();
    const auto *step = m_history.redo();
    if (step)
        replay(*step, true);
    return step;
}

void Board::replay(const input::History::Step &step, bool forward)
{
    m_replaying = true;
    for (const auto &change : step)
        setState(change.cell, forward ? change.after : change.before);
    m_replaying = false;
    if (!step.empty())
        cell(step.front().cell)->setFocus(Qt::OtherFocusReason);
}

void Board::outline(const std::vector<CellIndex> &cells)
{
    clearOutline();
    for (const CellIndex i : cells)
        if (isCell(i))
            cell(i)->setOutlined(true);
}

void Board::clearOutline()
{
    for (CellIndex i = 1; i <= CellCount; ++i)
        cell(i)->setOutlined(false);
}

bool Board::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<CellBox *>(watched);
    // A disabled box still hands its mouse events to filters; it must not act on them.
    if (!box || !box->isEnabled())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        // Each key the player presses begins a step of its own.
        sealStep();
        clearOutline();
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = withKeypad(*key);
        if (const auto c = input::commandOf(key->key(), modifiers, scanCodeOf(*key))) {
            command(box->index(), *c);
            // Ctrl+Delete takes the notes and still does what it does in a box; the other
            // commands typed nothing there, and the box's own undo must not act beside the
            // board's.
            if (c->command != input::Command::ClearNotes || key->key() != Qt::Key_Delete)
                return true;
            break;
        }
        KeyDown(box->index(), key->key(), modifiers);
        break;
    }
    case QEvent::MouseButtonPress:
    // A press soon after the last one arrives as a double click; it is a press all the same.
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
        // Only the right button acts on a cell: the middle button would paste the X selection
        // into it, so the box never sees that button.
        if (button == Qt::MiddleButton)
            return true;
        if (event->type() != QEvent::MouseButtonRelease) {
            sealStep();
            clearOutline();
            MouseDown(box->index(), button);
        }
        break;
    }
    default:
        break;
    }
    // The key or click goes on to the box as usual.
    return false;
}

void Board::command(CellIndex index, const input::KeyCommand &c)
{
    switch (c.command) {
    case input::Command::ToggleNote:
        toggleNote(index, c.digit);
        break;
    case input::Command::ClearNotes:
        if (m_notesTaken)
            clearNotes(index);
        break;
    case input::Command::FillNotes:
        fillNotes();
        break;
    case input::Command::Undo:
        undo();
        return;
    case input::Command::Redo:
        redo();
        return;
    case input::Command::ToggleMark:
        MouseDown(index, Qt::RightButton);
        break;
    case input::Command::EmptyCell:
        setText(index, QString());
        break;
    case input::Command::Keys:
    case input::Command::Hint:
    case input::Command::ReadRow:
    case input::Command::ReadColumn:
    case input::Command::ReadBox:
    case input::Command::ReadToPlace:
        Q_EMIT commandKey(c.command);
        return;
    }
    sealStep();
}

void Board::KeyDown(int index, int key, Qt::KeyboardModifiers modifiers)
{
    if (const auto arrow = input::arrowOf(key)) {
        const auto target = input::arrowTarget(index, *arrow);
        if (!target)
            return;
        txtRow1(*target)->setFocus(Qt::OtherFocusReason);
    }
    if (backColour(index) == GivenColour)
        return;
    // The keypad digit then arrives in the emptied box and becomes its only content.
    if (input::isOverwriteKey(key, modifiers))
        setText(index, QString());
}

void Board::MouseDown(int index, Qt::MouseButton button)
{
    if (button != Qt::RightButton)
        return;
    if (const auto toggled = input::toggledMark(backColour(index)))
        setBackColour(index, *toggled);
}

} // namespace zov
