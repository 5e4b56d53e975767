#include "look/marks.h"

#include "look/contrast.h"
#include "look/screen.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace zov {
namespace {

// Fixed hues for the roles the scheme has no colour for.
const QColor Red(0xD0, 0x10, 0x10);
const QColor Green(0x00, 0x8A, 0x2E);
const QColor Orange(0xE0, 0x6C, 0x00);
const QColor Purple(0x90, 0x30, 0xC0);
// The fills are seen through: the digits under them stay readable.
constexpr int TintAlpha = 70;
constexpr int CasingAlpha = 200;

double leastRatio(const QColor &c, std::initializer_list<QColor> backs)
{
    double least = 21;
    for (const QColor &b : backs)
        least = std::min(least, contrastRatio(c, b));
    return least;
}

} // namespace

QColor standingOut(const QColor &c, std::initializer_list<QColor> backs, double ratio)
{
    const QColor found
        = nearestLightness(c, [&](const QColor &x) { return leastRatio(x, backs) >= ratio; });
    if (leastRatio(found, backs) >= ratio)
        return found;
    const QColor hsl = c.toHsl();
    QColor best = c;
    for (int l = 0; l <= 255; ++l) {
        const QColor x(QColor::fromHslF(
            std::max(hsl.hslHueF(), 0.0f), hsl.hslSaturationF(), static_cast<float>(l) / 255.0f)
                           .rgb());
        if (leastRatio(x, backs) > leastRatio(best, backs))
            best = x;
    }
    return best;
}

namespace {

MarkColours workOut(const QPalette &scheme)
{
    const CellBacks b = cellBacks(scheme);
    const auto out = [&](const QColor &c) {
        return standingOut(QColor(c.rgb()), { b.open, b.given, b.marked }, MinMarkRatio);
    };
    MarkColours m;
    m.pattern = out(scheme.color(QPalette::Active, QPalette::Highlight));
    m.removal = out(Red);
    m.placement = out(Green);
    m.groupA = m.pattern;
    m.groupB = out(Orange);
    m.fin = out(Purple);
    m.empty = m.removal;
    m.baseTint = m.pattern;
    m.baseTint.setAlpha(TintAlpha);
    m.coverTint = m.groupB;
    m.coverTint.setAlpha(TintAlpha);
    m.casing = b.open;
    m.casing.setAlpha(CasingAlpha);
    m.onPattern = textOn(m.pattern);
    return m;
}

} // namespace

MarkColours markColours(const QPalette &scheme)
{
    // Every paint asks about the same scheme: worked out once for each palette.
    thread_local std::optional<std::pair<qint64, MarkColours>> last;
    if (!last || last->first != scheme.cacheKey())
        last.emplace(scheme.cacheKey(), workOut(scheme));
    return last->second;
}

QColor tinted(const QColor &back, const QPalette &scheme)
{
    const QColor tint = markColours(scheme).baseTint;
    const double a = tint.alphaF();
    const auto mix = [&](float over, float under) { return over * a + under * (1 - a); };
    return QColor::fromRgbF(static_cast<float>(mix(tint.redF(), back.redF())),
        static_cast<float>(mix(tint.greenF(), back.greenF())),
        static_cast<float>(mix(tint.blueF(), back.blueF())));
}

QColor textOn(const QColor &fill)
{
    const QColor black(Qt::black), white(Qt::white);
    return contrastRatio(black, fill) > contrastRatio(white, fill) ? black : white;
}

} // namespace zov
