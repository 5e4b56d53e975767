#pragma once

// Cell numbering, the 27 groups, geometry and colour values of the board. Plain values only:
// every other layer reaches a cell through these numbers.

#include <array>
#include <cstdint>
#include <optional>

namespace zov {

// 1 to 81, counted from the bottom-left cell: +9 is the cell above, +1 the one to the right.
using CellIndex = int;
// A puzzle number; stored puzzles use 1 to MaxGameNumber.
using GameNumber = std::int16_t;

inline constexpr int CellCount = 81;
inline constexpr int MaxGameNumber = 32767;

constexpr bool isCell(int index) { return index >= 1 && index <= CellCount; }
// Row 1 is the bottom row; column 1 the left column.
constexpr int rowOf(CellIndex i) { return (i - 1) / 9 + 1; }
constexpr int columnOf(CellIndex i) { return (i - 1) % 9 + 1; }
constexpr CellIndex cellAt(int row, int column) { return (row - 1) * 9 + column; }
// Box 1 is bottom-left, 3 bottom-right, 9 top-right.
constexpr int boxOf(CellIndex i) { return ((rowOf(i) - 1) / 3) * 3 + (columnOf(i) - 1) / 3 + 1; }

// Position in the usual 81-character text form, which runs from the top-left corner row by row.
constexpr int textPositionOf(CellIndex i) { return (9 - rowOf(i)) * 9 + columnOf(i) - 1; }
constexpr CellIndex cellOfTextPosition(int p) { return cellAt(9 - p / 9, p % 9 + 1); }

using Group = std::array<CellIndex, 9>;
// The nine rows bottom to top, the nine boxes, then the nine columns left to right.
std::array<Group, 27> const &groups();
// The places in groups() of a cell's row, box and column.
constexpr std::array<int, 3> groupsOf(CellIndex i)
{
    return { rowOf(i) - 1, 8 + boxOf(i), 17 + columnOf(i) };
}

// Colours are 0x00BBGGRR values, or references to the desktop's scheme (top bit set) with the
// scheme colour's index in the low byte.
using ColourValue = std::uint32_t;
inline constexpr ColourValue SystemColourBit = 0x80000000u;
enum class SystemColour : std::uint8_t {
    WindowBackground = 5,
    WindowText = 8,
    ActiveBorder = 10,
    ButtonText = 18,
    InactiveCaptionText = 19,
};
constexpr ColourValue systemColour(SystemColour c)
{
    return SystemColourBit | static_cast<ColourValue>(c);
}
constexpr bool isSystemColour(ColourValue c) { return (c & SystemColourBit) != 0; }
// The scheme colour a reference names; meaningful only where isSystemColour holds.
constexpr SystemColour systemColourOf(ColourValue c) { return SystemColour(c & 0xFF); }

inline constexpr ColourValue OpenColour = systemColour(SystemColour::WindowBackground);
inline constexpr ColourValue GivenColour = systemColour(SystemColour::ActiveBorder);
inline constexpr ColourValue MarkColour = systemColour(SystemColour::InactiveCaptionText);
// The scheme's text colour, the colour of an empty cell's cursor and of the About window's lines.
inline constexpr ColourValue WindowTextColour = systemColour(SystemColour::WindowText);
inline constexpr ColourValue Black = 0x00000000;
inline constexpr ColourValue White = 0x00FFFFFF;
inline constexpr ColourValue GameNumberTextColour = 0x00C0C000;
// The About window's frame and lines, and its two links at rest and under the pointer.
inline constexpr ColourValue LightGrey = 0x00C0C0C0;
inline constexpr ColourValue LinkRestColour = 0x00000000;
inline constexpr ColourValue LinkHoverColour = 0x00FF0000;

// Text colour of the digits "1" to "9".
inline constexpr std::array<ColourValue, 9> DigitColours = {
    0x800000,
    0x0000FF,
    0x008000,
    0xC0C000,
    0x000080,
    0x00FF00,
    0xFF8080,
    0x800080,
    0x008080,
};

// Geometry in twips (15 to a pixel at 96 dpi), from the client area's top-left corner.
inline constexpr int TwipsPerPixel = 15;
inline constexpr int CellWidth = 495;
inline constexpr int CellHeight = 510;
constexpr int cellLeft(CellIndex i)
{
    const int n = columnOf(i);
    return 840 + 480 * (n - 1) + 120 * ((n - 1) / 3);
}
constexpr int cellTop(CellIndex i)
{
    const int r = rowOf(i);
    return 4560 - 480 * (r - 1) - 120 * ((r - 1) / 3);
}
inline constexpr int GameNumberBoxLeft = 120;
inline constexpr int GameNumberBoxTop = 480;

} // namespace zov
