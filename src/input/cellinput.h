#pragma once

// What a cell accepts and how keys and mouse buttons act on it, free of any widget.

#include "board/cells.h"
#include "puzzles/position.h"

#include <QString>
#include <Qt>
#include <optional>

namespace zov::input {

// The numeric test of the cell filter: a decimal number, with optional sign, point, exponent
// and surrounding blanks. The empty text is not a number.
bool isNumeric(const QString &text);
// The text a box keeps: a numeric text whose value is not 0; anything else becomes empty.
bool keepsText(const QString &text);
// The text colour of the digits "1" to "9"; nothing for any other text.
std::optional<ColourValue> digitColour(const QString &text);

enum class Arrow { Left, Up, Right, Down };
// The four arrow keys, whatever Shift, Ctrl, Alt or the keypad say (the keypad's 2, 4, 6, 8
// with Num Lock off are arrow keys too).
std::optional<Arrow> arrowOf(int key);
// The cell an arrow leads to: Right from a row's last cell goes on to the first cell of the row
// above, Left from its first cell to the last of the row below; nothing past cell 1 or 81, nor
// up from the top row or down from the bottom one.
std::optional<CellIndex> arrowTarget(CellIndex from, Arrow arrow);
// Keypad 1 to 9 with Num Lock on: they overwrite a cell's digit in one stroke.
bool isOverwriteKey(int key, Qt::KeyboardModifiers modifiers);
// The back colour that shows what a cell is, and what a back colour says a cell is.
ColourValue backOf(puzzles::CellKind kind);
puzzles::CellKind kindOf(ColourValue back);
// A cell's text colour by the digit whose colour it carries, 0 for the colour the cell starts
// with; and the digit a text colour belongs to, 0 for none.
ColourValue inkColour(CellIndex index, int ink);
int inkOf(ColourValue fore);

// A right-click turns an open cell marked and a marked cell open; a given cell stays.
std::optional<ColourValue> toggledMark(ColourValue back);

} // namespace zov::input
