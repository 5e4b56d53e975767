#pragma once

// Colour arithmetic on screen colours (sRGB, 8 bits a channel): how well text reads on a back
// (WCAG 2 contrast ratio), how far apart two colours look (CIEDE2000), and moving a colour's
// lightness while its hue stays, the way forced-colour modes adapt fixed colours to a scheme.

#include <QColor>

#include <functional>
#include <initializer_list>

namespace zov {

// WCAG 2 relative luminance, 0 for black to 1 for white.
double relativeLuminance(const QColor &c);
// WCAG 2 contrast ratio, 1 (same luminance) to 21 (black on white); symmetric.
double contrastRatio(const QColor &a, const QColor &b);
struct Lab
{
    double l, a, b;
};
// CIELAB under the D65 white point.
Lab toLab(const QColor &c);
// CIEDE2000 colour difference.
double colourDistance(const Lab &a, const Lab &b);
double colourDistance(const QColor &a, const QColor &b);

// The colour of c's hue and saturation (HSL) whose lightness is nearest to c's and for which
// `fits` holds, c itself when it already does; c when no lightness fits. Results are whole
// 8-bit colours, so what is checked is what the screen shows.
QColor nearestLightness(const QColor &c, const std::function<bool(const QColor &)> &fits);

// fore itself when its contrast ratio on back is at least minRatio, otherwise fore with its
// lightness moved as little as reaches that ratio.
QColor readableOn(const QColor &fore, const QColor &back, double minRatio);

// c itself when it is at least minDistance from every colour of others, otherwise c with its
// lightness moved as little as gets it so far from all of them.
QColor apartFrom(const QColor &c, std::initializer_list<QColor> others, double minDistance);

} // namespace zov
