#include "look/screen.h"

#include "look/contrast.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace zov {
namespace {

QColor mix(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
        static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
        static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

// Whole 8-bit colours, as the screen shows them: the arithmetic measures what is drawn.
QColor shown(const QColor &c) { return QColor(c.rgb()); }

} // namespace

QColor screenColour(ColourValue value, const QPalette &palette)
{
    if (!isSystemColour(value))
        return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
            static_cast<int>((value >> 16) & 0xFF));
    switch (systemColourOf(value)) {
    case SystemColour::WindowBackground: // an open cell
        return palette.color(QPalette::Active, QPalette::Base);
    case SystemColour::WindowText:
        return palette.color(QPalette::Active, QPalette::Text);
    case SystemColour::ActiveBorder: // a given cell, a quiet grey
        return mix(palette.color(QPalette::Active, QPalette::Mid),
            palette.color(QPalette::Active, QPalette::Base), 0.6);
    case SystemColour::ButtonText:
        return palette.color(QPalette::Active, QPalette::ButtonText);
    case SystemColour::InactiveCaptionText: // a marked cell, a light tint of the highlight
        return mix(palette.color(QPalette::Active, QPalette::Highlight),
            palette.color(QPalette::Active, QPalette::Base), 0.45);
    default:
        return palette.color(QPalette::Active, QPalette::Window);
    }
}

QPalette lightDefaultPalette()
{
    // Qt's own light palette, as the game gets it on a desktop without a colour scheme.
    QPalette p(QColor(0x00, 0x00, 0x00), QColor(0xEF, 0xEF, 0xEF), QColor(0xFF, 0xFF, 0xFF),
        QColor(0x9F, 0x9F, 0x9F), QColor(0xB8, 0xB8, 0xB8), QColor(0x00, 0x00, 0x00),
        QColor(0xFF, 0xFF, 0xFF), QColor(0xFF, 0xFF, 0xFF), QColor(0xEF, 0xEF, 0xEF));
    p.setColor(QPalette::Highlight, QColor(0x30, 0x8C, 0xC6));
    return p;
}

namespace {

// Every box asks about the same scheme: the answers are worked out once for each palette.
template <class T> const T &once(const QPalette &scheme, T (*work)(const QPalette &))
{
    thread_local std::optional<std::pair<qint64, T>> last;
    if (!last || last->first != scheme.cacheKey())
        last.emplace(scheme.cacheKey(), work(scheme));
    return last->second;
}

CellBacks workOutCellBacks(const QPalette &scheme)
{
    const QColor open = shown(screenColour(OpenColour, scheme));
    QColor given = shown(screenColour(GivenColour, scheme));
    const QColor marked = shown(screenColour(MarkColour, scheme));
    const auto apart
        = [](const QColor &a, const QColor &b) { return colourDistance(a, b) >= MinBackDistance; };
    if (apart(open, given) && apart(open, marked) && apart(given, marked))
        return { open, given, marked };
    given = apartFrom(given, { open }, MinBackDistance);
    QColor moved = apartFrom(marked, { open, given }, MinBackDistance);
    if (!apart(moved, open) || !apart(moved, given)) {
        // The given back took the only room near the marked one: give it the other side.
        const QColor other = nearestLightness(given, [&](const QColor &c) {
            return apart(c, open)
                && (given.lightness() > open.lightness()) != (c.lightness() > open.lightness());
        });
        given = other;
        moved = apartFrom(marked, { open, given }, MinBackDistance);
    }
    return { open, given, moved };
}

QColor workOutEdgeWindow(const QPalette &scheme)
{
    const CellBacks backs = cellBacks(scheme);
    const auto edgeFits = [&](const QColor &window) {
        const QColor edge = shown(window.darker(140));
        return colourDistance(edge, backs.open) >= MinBackDistance
            && colourDistance(edge, backs.given) >= MinBackDistance
            && colourDistance(edge, backs.marked) >= MinBackDistance;
    };
    return nearestLightness(shown(scheme.color(QPalette::Active, QPalette::Window)), edgeFits);
}

// A colour value as a box shows it, the cell backs taken from `backs`.
template <class Backs> QColor shownOn(ColourValue value, const QPalette &scheme, Backs backs)
{
    if (value == OpenColour)
        return backs(scheme).open;
    if (value == GivenColour)
        return backs(scheme).given;
    if (value == MarkColour)
        return backs(scheme).marked;
    return shown(screenColour(value, scheme));
}

} // namespace

CellBacks cellBacks(const QPalette &scheme) { return once(scheme, workOutCellBacks); }

QColor edgeWindow(const QPalette &scheme) { return once(scheme, workOutEdgeWindow); }

QColor shownBack(ColourValue back, const QPalette &scheme)
{
    return shownOn(back, scheme, [](const QPalette &s) { return cellBacks(s); });
}

QColor shownText(ColourValue fore, ColourValue back, const QPalette &scheme, double cap)
{
    static const QPalette light = lightDefaultPalette();
    static const CellBacks lightBacks = workOutCellBacks(light);
    const auto onLight = [](const QPalette &) { return lightBacks; };
    const double ratio
        = contrastRatio(shownOn(fore, light, onLight), shownOn(back, light, onLight));
    return readableOn(
        shown(screenColour(fore, scheme)), shownBack(back, scheme), std::min(cap, ratio));
}

} // namespace zov
