#pragma once

// How the window's colour values and twips look on this desktop. The colour values were chosen
// on the light default scheme; on any other scheme the cells keep the scheme's colours where
// they can be told apart and read, and otherwise move in lightness only as far as needed.

#include "board/cells.h"

#include <QColor>
#include <QPalette>
#include <QRect>

namespace zov {

// The least CIEDE2000 distance between any two of the open, given and marked backs, and
// between a cell's edge and any of them.
inline constexpr double MinBackDistance = 9.0;
// A digit needs this contrast ratio on its back, or what it has on the light default if less.
inline constexpr double MinDigitRatio = 3.0;

// The screen colour of a colour value: fixed 0x00BBGGRR values as they are, system colour
// references through the palette.
QColor screenColour(ColourValue value, const QPalette &palette);

// The light default scheme, against which the fixed colours were chosen.
QPalette lightDefaultPalette();

struct CellBacks
{
    QColor open, given, marked;
};
// The backs of open, given and marked cells: the scheme's own where each pair is far enough
// apart, else the given and then the marked back moved in lightness until they are.
CellBacks cellBacks(const QPalette &scheme);

// What a box shows for a back colour value: the cell backs above, fixed values as they are.
QColor shownBack(ColourValue back, const QPalette &scheme);
// What a box shows for a text colour value on that back: the colour itself, or with its
// lightness moved until its contrast ratio there is at least the smaller of `cap` and what it
// has on the light default.
QColor shownText(
    ColourValue fore, ColourValue back, const QPalette &scheme, double cap = MinDigitRatio);

// The window colour from which a style drawing a frame in the window colour darkened by 140 %
// (Qt's Fusion) draws cell edges that stand apart from every cell back: the scheme's own where
// they already do.
QColor edgeWindow(const QPalette &scheme);

// A rectangle given in twips, in pixels at 96 dots per inch.
constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return { left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
        height / TwipsPerPixel };
}

} // namespace zov
