#pragma once

// The colours of what a hint draws on the board. Each starts from the scheme's highlight or
// from a fixed hue and keeps it, moved in lightness only as far as it needs to stand out from
// every cell back; the shapes (strikes, frames, line styles) tell the marks apart without them.

#include <QColor>
#include <QPalette>
#include <initializer_list>

namespace zov {

// Lines and frames need this contrast ratio on each cell back (open, given, marked), as
// graphics need to be seen at all.
inline constexpr double MinMarkRatio = 3.0;

struct MarkColours
{
    QColor pattern; // the pattern's frames and rings, a chain's links and its numbers
    QColor removal; // what a step removes, struck out
    QColor placement; // what a step places
    QColor groupA, groupB; // a colouring's two groups
    QColor fin; // a finned fish's fins
    QColor empty; // a cell or unit left without a digit
    QColor baseTint, coverTint; // see-through fills of the units looked at
    QColor casing; // under a line or number, to keep it apart from what it crosses
    QColor onPattern; // text on the pattern colour (numbers in their badges)
};

MarkColours markColours(const QPalette &scheme);

// `back` seen through the see-through fill of the units a hint looks at (baseTint): how a cell
// holding the digit in question is shaded.
QColor tinted(const QColor &back, const QPalette &scheme);

// Black or white, whichever reads better on `fill`.
QColor textOn(const QColor &fill);

// The colour of c's hue nearest to c in lightness whose contrast ratio on every colour of
// `backs` is at least `ratio`; where none has, the one whose least ratio is highest.
QColor standingOut(const QColor &c, std::initializer_list<QColor> backs, double ratio);

} // namespace zov
