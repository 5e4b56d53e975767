#pragma once

// Tells a screen reader what each action did, in a few words: a digit placed or removed, a
// note, the notes filled, a mark, undo and redo, a new puzzle, the board cleared, a hint's step,
// and a unit read out on request. It watches the main window from outside: each key in a cell
// is let through first, and the board before and after it tells what changed. While a screen
// reader listens, the focus goes back to the cell the player was on after the buttons and the
// About window.

#include "board/cells.h"
#include "input/keys.h"
#include "input/spoken.h"

#include <QAccessible>
#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

namespace zov {

class Form1;
namespace input {
class CellBox;
}

class Announcer : public QObject
{
    Q_OBJECT
public:
    explicit Announcer(Form1 &form);

    // The cell the focus goes back to: the last one the player was on.
    input::CellBox *lastCell() const;
    // Whether a screen reader listens; Qt's answer unless told otherwise (tests without one).
    void setListening(std::function<bool()> listening) { m_listening = std::move(listening); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using Cells = std::array<input::spoken::Cell, CellCount + 1>;
    Cells cells() const;
    std::vector<input::spoken::Change> changed(const Cells &before, const Cells &after) const;
    // What a key pressed in `cell` did, from the board before and after it.
    QString afterKey(input::CellBox &cell, int key, Qt::KeyboardModifiers modifiers,
        quint32 scanCode, const QString &typed, const Cells &before) const;
    // A unit or the digits to place, read out (the board's reading keys).
    void read(input::Command command);
    // After a button or the About window: the focus back on a cell, and `words` said there.
    void backToCell(const QString &words);
    int givens() const;

    Form1 &m_form;
    QPointer<input::CellBox> m_last;
    // The board as New found it, to tell a new puzzle from a cancelled New.
    Cells m_beforeNew {};
    int m_numberBeforeNew = 0;
    bool m_historyBeforeNew = false;
    bool m_resending = false;
    std::function<bool()> m_listening = &QAccessible::isActive;
};

} // namespace zov
