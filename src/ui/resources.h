#pragma once

// What the program brings of its own to the screen: the board's font and its icon.

class QIcon;

namespace zov {
// Makes "Tahoma" available where the system has a copy that fontconfig does not see, and
// otherwise lets it fall back to a similar sans-serif.
void loadBoardFont();
// The program's own icon, drawn at 16, 32 and 48 pixels.
QIcon programIcon();
} // namespace zov
