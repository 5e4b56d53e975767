#include "input/board.h"

#include "input/cellaccessible.h"
#include "input/cellinput.h"
#include "look/fonts.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace zov::input {
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

Board::Action::Action(Board &board)
    : m_board(board)
{
    m_board.begin();
}

Board::Action::~Action() { m_board.end(); }

void Board::begin()
{
    if (m_acting++ > 0)
        return;
    // A change that came past every action (a fault, or a tool beside the game) is a step of
    // its own, not part of this one.
    seal();
    clearOutline();
}

void Board::end()
{
    if (--m_acting == 0) {
        seal();
        Q_EMIT acted();
    }
}

void Board::seal()
{
    if (m_history.pending())
        m_history.seal([this](CellIndex i) { return state(i); });
}

void Board::setBackColour(int index, ColourValue c)
{
    if (index != 0 && c != backColour(index)) {
        touch(index);
        m_position.kinds[at(index)] = kindOf(c);
    }
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
    if (!keepsText(box->text()))
        box->setText(QString());
    if (const auto colour = digitColour(box->text()))
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
    const std::uint8_t digit = digitOf(text(index));
    // Undo and redo put every cell back whole; the rule acts on the player's digits only.
    if (m_replaying)
        m_position.digits[at(index)] = digit;
    else
        change([&](puzzles::Position &next) { return next.place(textPositionOf(index), digit); });
}

template <typename Rule> void Board::change(Rule rule)
{
    puzzles::Position next = m_position;
    const puzzles::Cells changed = rule(next);
    // The history keeps each cell as it was, so it reads the position before the rule's.
    changed.each([this](int p) { touch(cellOfTextPosition(p)); });
    m_position = next;
    changed.each([this](int p) {
        const CellIndex i = cellOfTextPosition(p);
        cell(i)->setNotes(m_position.notes[at(i)]);
    });
}

void Board::touch(CellIndex index)
{
    if (m_replaying)
        return;
    Q_ASSERT_X(m_acting > 0, "Board", "a change to the board outside a player's action");
    m_history.touch(index, state(index));
}

void Board::setNotes(CellIndex index, puzzles::Digits n)
{
    // One cell's notes: no rule reaches further, so the position need not be copied (Clear and
    // New set 81).
    if (m_position.notes[at(index)] == n)
        return;
    touch(index);
    m_position.setNotes(static_cast<int>(at(index)), n);
    cell(index)->setNotes(n);
}

bool Board::toggleNote(CellIndex index, int digit)
{
    if (!m_notesTaken || !m_position.takesNotes(static_cast<int>(at(index))))
        return false;
    Action action(*this);
    // A toggle changes this one cell, always.
    touch(index);
    m_position.toggleNote(static_cast<int>(at(index)), digit);
    cell(index)->setNotes(notes(index));
    return true;
}

void Board::fillNotes()
{
    if (!m_notesTaken)
        return;
    Action action(*this);
    change([](puzzles::Position &next) { return next.fillNotes(); });
}

CellState Board::state(CellIndex index) const
{
    const std::size_t p = at(index);
    return { m_position.digits[p], m_position.notes[p], m_position.kinds[p],
        static_cast<std::uint8_t>(inkOf(txtRow1(index)->foreColour())) };
}

void Board::setState(CellIndex index, const CellState &s)
{
    setText(index, s.digit ? QString(QChar(u'0' + s.digit)) : QString());
    setBackColour(index, backOf(s.kind));
    // After the text: the filter recolours digits, and the colour kept must win.
    const ColourValue ink = inkColour(index, s.ink);
    if (ink != txtRow1(index)->foreColour()) {
        touch(index);
        txtRow1(index)->setForeColour(ink);
    }
    setNotes(index, s.notes);
}

void Board::resetHistory() { m_history.reset(); }

void Board::rollback()
{
    const History::Step touched = m_history.abandon();
    m_replaying = true;
    for (const auto &change : touched)
        setState(change.cell, change.before);
    m_replaying = false;
}

bool Board::undo()
{
    Action action(*this);
    const auto *step = m_history.undo();
    if (step)
        replay(*step, false);
    return step;
}

bool Board::redo()
{
    Action action(*this);
    const auto *step = m_history.redo();
    if (step)
        replay(*step, true);
    return step;
}

void Board::replay(const History::Step &step, bool forward)
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
        if (isCell(i)) {
            cell(i)->setOutlined(true);
            m_outlining = true;
        }
}

void Board::clearOutline()
{
    // Every action starts here: most find nothing outlined.
    if (!m_outlining)
        return;
    m_outlining = false;
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
        // Each key the player presses is an action of its own, what the box then does with it
        // included.
        Action action(*this);
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = withKeypad(*key);
        if (const auto c = commandOf(key->key(), modifiers, scanCodeOf(*key))) {
            command(box->index(), *c);
            // Ctrl+Delete takes the notes and still does what it does in a box; the other
            // commands typed nothing there, and the box's own undo must not act beside the
            // board's.
            if (c->command != Command::ClearNotes || key->key() != Qt::Key_Delete)
                return true;
        } else {
            KeyDown(box->index(), key->key(), modifiers);
        }
        box->deliver(event);
        return true;
    }
    // What else puts text into a box: an input method, or text dropped on it.
    case QEvent::InputMethod:
    case QEvent::Drop: {
        Action action(*this);
        box->deliver(event);
        return true;
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
            Action action(*this);
            MouseDown(box->index(), button);
        }
        break;
    }
    default:
        break;
    }
    // The click goes on to the box as usual.
    return false;
}

void Board::command(CellIndex index, const KeyCommand &c)
{
    Action action(*this);
    switch (c.command) {
    case Command::ToggleNote:
        if (isCell(index))
            toggleNote(index, c.digit);
        break;
    case Command::ClearNotes:
        if (isCell(index) && m_notesTaken)
            clearNotes(index);
        break;
    case Command::FillNotes:
        fillNotes();
        break;
    case Command::Undo:
        undo();
        break;
    case Command::Redo:
        redo();
        break;
    case Command::ToggleMark:
        if (isCell(index))
            MouseDown(index, Qt::RightButton);
        break;
    case Command::EmptyCell:
        if (isCell(index))
            setText(index, QString());
        break;
    case Command::Keys:
    case Command::Hint:
    case Command::New:
    case Command::Quit:
    case Command::ReadRow:
    case Command::ReadColumn:
    case Command::ReadBox:
    case Command::ReadToPlace:
    case Command::Warnings:
    case Command::Clock:
    case Command::Pause:
    case Command::SameDigit:
        Q_EMIT commandKey(c.command);
        break;
    }
}

void Board::KeyDown(int index, int key, Qt::KeyboardModifiers modifiers)
{
    if (const auto arrow = arrowOf(key)) {
        const auto target = arrowTarget(index, *arrow);
        if (!target)
            return;
        txtRow1(*target)->setFocus(Qt::OtherFocusReason);
    }
    if (backColour(index) == GivenColour)
        return;
    // The keypad digit then arrives in the emptied box and becomes its only content.
    if (isOverwriteKey(key, modifiers))
        setText(index, QString());
}

void Board::MouseDown(int index, Qt::MouseButton button)
{
    if (button != Qt::RightButton)
        return;
    if (const auto toggled = toggledMark(backColour(index)))
        setBackColour(index, *toggled);
}

} // namespace zov::input
