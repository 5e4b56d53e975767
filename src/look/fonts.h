#pragma once

// The faces the window draws with, from Debian's fonts-wine.

#include <QLatin1String>

namespace zov {

// A scalable face: the board's digits, the game-number box, and the captions at any scale but 1.
inline constexpr QLatin1String ScalableFace("Tahoma");
// The bitmap face the window's captions were laid out in; it has glyphs for 96 dpi only.
inline constexpr QLatin1String BitmapFace("MS Sans Serif");
// The captions' size in each face. The scalable face at the classic 8.25 points keeps the
// bitmap face's letter widths at 96 dpi within a pixel, and its whole-pixel sizes stay closest
// to the bitmap's ink height times the scale.
inline constexpr int BitmapFacePoints = 8;
inline constexpr double ScalableFacePoints = 8.25;

} // namespace zov
