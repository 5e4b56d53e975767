#include "look/contrast.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace zov {
namespace {

double linear(int channel)
{
    const double v = channel / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

} // namespace

Lab toLab(const QColor &c)
{
    const double r = linear(c.red()), g = linear(c.green()), b = linear(c.blue());
    // sRGB to XYZ, relative to the D65 white point.
    const std::array<double, 3> xyz = {
        (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047,
        0.2126729 * r + 0.7151522 * g + 0.0721750 * b,
        (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883,
    };
    std::array<double, 3> f {};
    for (std::size_t k = 0; k < 3; ++k)
        f[k] = xyz[k] > 216.0 / 24389 ? std::cbrt(xyz[k]) : (24389.0 / 27 * xyz[k] + 16) / 116;
    return { 116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2]) };
}

namespace {

double degrees(double radians) { return radians * 180 / std::numbers::pi; }
double radians(double degrees) { return degrees * std::numbers::pi / 180; }

double hueOf(double b, double a)
{
    if (a == 0 && b == 0)
        return 0;
    const double h = degrees(std::atan2(b, a));
    return h < 0 ? h + 360 : h;
}

} // namespace

double relativeLuminance(const QColor &c)
{
    return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Sharma, Wu and Dalal's formulation, with their test data in the unit tests.
double colourDistance(const QColor &a, const QColor &b)
{
    return colourDistance(toLab(a), toLab(b));
}

double colourDistance(const Lab &p, const Lab &q)
{
    const double c1 = std::hypot(p.a, p.b), c2 = std::hypot(q.a, q.b);
    const double cMean7 = std::pow((c1 + c2) / 2, 7);
    const double g = 0.5 * (1 - std::sqrt(cMean7 / (cMean7 + std::pow(25.0, 7))));
    const double a1 = (1 + g) * p.a, a2 = (1 + g) * q.a;
    const double cp1 = std::hypot(a1, p.b), cp2 = std::hypot(a2, q.b);
    const double h1 = hueOf(p.b, a1), h2 = hueOf(q.b, a2);

    const double dL = q.l - p.l;
    const double dC = cp2 - cp1;
    double dh = 0;
    if (cp1 * cp2 != 0) {
        dh = h2 - h1;
        if (dh > 180)
            dh -= 360;
        else if (dh < -180)
            dh += 360;
    }
    const double dH = 2 * std::sqrt(cp1 * cp2) * std::sin(radians(dh / 2));

    const double lMean = (p.l + q.l) / 2;
    const double cpMean = (cp1 + cp2) / 2;
    double hMean = h1 + h2;
    if (cp1 * cp2 != 0) {
        if (std::abs(h1 - h2) <= 180)
            hMean = (h1 + h2) / 2;
        else
            hMean = h1 + h2 < 360 ? (h1 + h2 + 360) / 2 : (h1 + h2 - 360) / 2;
    }
    const double t = 1 - 0.17 * std::cos(radians(hMean - 30)) + 0.24 * std::cos(radians(2 * hMean))
        + 0.32 * std::cos(radians(3 * hMean + 6)) - 0.20 * std::cos(radians(4 * hMean - 63));
    const double dTheta = 30 * std::exp(-std::pow((hMean - 275) / 25, 2));
    const double cpMean7 = std::pow(cpMean, 7);
    const double rC = 2 * std::sqrt(cpMean7 / (cpMean7 + std::pow(25.0, 7)));
    const double sL
        = 1 + 0.015 * (lMean - 50) * (lMean - 50) / std::sqrt(20 + (lMean - 50) * (lMean - 50));
    const double sC = 1 + 0.045 * cpMean;
    const double sH = 1 + 0.015 * cpMean * t;
    const double rT = -std::sin(radians(2 * dTheta)) * rC;
    const double l = dL / sL, c = dC / sC, h = dH / sH;
    return std::sqrt(l * l + c * c + h * h + rT * c * h);
}

QColor nearestLightness(const QColor &c, const std::function<bool(const QColor &)> &fits)
{
    if (fits(c))
        return c;
    const QColor hsl = c.toHsl();
    const float hue = std::max(hsl.hslHueF(), 0.0f);
    const float saturation = hsl.hslSaturationF();
    const int start = hsl.lightness();
    // One step of 8-bit lightness at a time, the nearer side first.
    for (int step = 1; step <= 255; ++step) {
        for (const int l : { start + step, start - step }) {
            if (l < 0 || l > 255)
                continue;
            const QColor candidate(QColor::fromHslF(hue, saturation, l / 255.0f).rgb());
            if (fits(candidate))
                return candidate;
        }
    }
    return c;
}

QColor readableOn(const QColor &fore, const QColor &back, double minRatio)
{
    return nearestLightness(
        fore, [&](const QColor &c) { return contrastRatio(c, back) >= minRatio; });
}

QColor apartFrom(const QColor &c, std::initializer_list<QColor> others, double minDistance)
{
    return nearestLightness(c, [&](const QColor &candidate) {
        return std::all_of(others.begin(), others.end(),
            [&](const QColor &o) { return colourDistance(candidate, o) >= minDistance; });
    });
}

} // namespace zov
