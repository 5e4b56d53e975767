#pragma once

// How the window's colour values and twips look on this desktop.

#include "board/cells.h"

#include <QColor>
#include <QPalette>
#include <QRect>

namespace zov {

// The screen colour of a colour value: fixed 0x00BBGGRR values as they are, system colour
// references through the palette.
QColor screenColour(ColourValue value, const QPalette &palette);

// A rectangle given in twips, in pixels at 96 dots per inch.
constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return { left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
        height / TwipsPerPixel };
}

} // namespace zov
