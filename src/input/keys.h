#pragma once

// The keys the board and the window add to the ones the cells have always had, and the list of
// every key and mouse action that the keys window, the README and the manual page show.

#include <Qt>
#include <QtGlobal>
#include <optional>
#include <string_view>

namespace zov::input {

enum class Command {
    ToggleNote,
    ClearNotes,
    FillNotes,
    Undo,
    Redo,
    Keys,
    Hint,
    // The keys a player without a mouse needs, and the ones read by a screen reader.
    ToggleMark,
    EmptyCell,
    ReadRow,
    ReadColumn,
    ReadBox,
    ReadToPlace,
    // The desktop's own keys for a new game and for leaving.
    New,
    Quit,
    // Aids a player turns on and off: warnings of repeated digits, the clock in the title,
    // a pause that hides the board, and the cells of the focused cell's digit shaded.
    Warnings,
    Clock,
    Pause,
    SameDigit,
};
struct KeyCommand
{
    Command command;
    int digit = 0; // the note toggled
};

// Ctrl with a key of the main keyboard, F1, Pause, the Menu key and Shift+F10: keys that typed
// nothing in a cell and moved nothing; and Delete, whose effect in a cell hung on where the cursor
// stood. The keypad's keys other than Delete are never commands, whatever the modifiers, so that
// they keep their effect. A note's digit is known by the key, so that Ctrl+Shift+digit works on
// layouts whose digits need Shift; `scanCode` is the key's evdev-based code (X11 and Wayland) or
// 0.
std::optional<KeyCommand> commandOf(int key, Qt::KeyboardModifiers modifiers, quint32 scanCode);

struct KeyHelp
{
    std::string_view keys, action;
};
// In the order shown.
inline constexpr KeyHelp KeyList[] = {
    { "1 to 9", "type a digit into a cell; Backspace or Delete takes it away" },
    { "Arrow keys",
        "move to the next cell; Right at the end of a row goes on in the row above, "
        "Left at the start of a row in the row below" },
    { "Keypad 1 to 9",
        "with Num Lock on, replace the digit of an open or marked cell in one "
        "stroke" },
    { "Right-click", "mark an open cell, or take the mark away" },
    { "Ctrl+1 to Ctrl+9",
        "note a digit in an empty open or marked cell, or take the note away "
        "(with Shift too, where the digits need Shift)" },
    { "Ctrl+Shift+N",
        "fill the notes of every empty open or marked cell with the digits that "
        "its row, column and box allow" },
    { "Ctrl+0 or Ctrl+Delete", "clear the notes of the cell" },
    { "Ctrl+Z", "undo the last change to the board" },
    { "Ctrl+Shift+Z or Ctrl+Y", "redo what was undone" },
    { "Ctrl+H",
        "a hint beside the board, drawn on it: the easiest next step; Ctrl+H again (or More) tells "
        "more, then moves to its buttons" },
    { "Escape", "close the hint and take its drawing off the board" },
    { "Menu or Shift+F10", "mark the cell, or take the mark away, as a right-click does" },
    { "Delete", "empty the cell, wherever the cursor stands in it" },
    { "Ctrl+Shift+R, Ctrl+Shift+C or Ctrl+Shift+B",
        "have a screen reader read the cell's row, column or box, digits and blanks" },
    { "Ctrl+Shift+D",
        "have a screen reader say which digits remain to place, and how many of each" },
    { "Alt+A", "the About window" },
    { "Tab and Enter in the About window", "reach the e-mail and web page lines and open them" },
    { "Ctrl+M",
        "mistake warnings on or off: a digit repeated in its row, column or box, and the one it "
        "repeats, get a dashed frame and a strike (the solution is never looked at)" },
    { "Ctrl+L",
        "shade the cells holding the digit of the cell you are on, and its notes; again to stop" },
    { "Ctrl+T", "show the time spent on this puzzle in the window's title, or hide it" },
    { "Pause or Ctrl+P",
        "pause: the clock stops and the board is hidden; the same key, Enter or a click goes on" },
    { "Ctrl+N", "a new puzzle, as the New button (while it can be pressed)" },
    { "Ctrl+Q", "quit" },
    { "F1 or Ctrl+?", "this list of keys" },
};

} // namespace zov::input
