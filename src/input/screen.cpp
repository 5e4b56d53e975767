#include "input/screen.h"

namespace zov {
namespace {

QColor mix(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
        static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
        static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

} // namespace

QColor screenColour(ColourValue value, const QPalette &palette)
{
    if (!isSystemColour(value))
        return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
            static_cast<int>((value >> 16) & 0xFF));
    switch (value & 0xFF) {
    case 5: // window background: an open cell
        return palette.color(QPalette::Active, QPalette::Base);
    case 8: // window text
        return palette.color(QPalette::Active, QPalette::Text);
    case 10: // active border: a given cell, a quiet grey
        return mix(palette.color(QPalette::Active, QPalette::Mid),
            palette.color(QPalette::Active, QPalette::Base), 0.6);
    case 18: // button text
        return palette.color(QPalette::Active, QPalette::ButtonText);
    case 19: // inactive caption text: a marked cell, a light tint of the highlight
        return mix(palette.color(QPalette::Active, QPalette::Highlight),
            palette.color(QPalette::Active, QPalette::Base), 0.45);
    default:
        return palette.color(QPalette::Active, QPalette::Window);
    }
}

} // namespace zov
