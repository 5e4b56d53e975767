#include "input/cellinput.h"

#include <QRegularExpression>

namespace zov::input {

bool isNumeric(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    return number.match(text).hasMatch();
}

bool keepsText(const QString &text)
{
    if (!isNumeric(text))
        return false;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    // An exponent too large for a double still names a number that is not 0.
    return !ok || value != 0.0;
}

std::optional<ColourValue> digitColour(const QString &text)
{
    if (text.size() != 1)
        return std::nullopt;
    const QChar c = text.front();
    if (c < QLatin1Char('1') || c > QLatin1Char('9'))
        return std::nullopt;
    return DigitColours[static_cast<std::size_t>(c.unicode() - u'1')];
}

std::optional<Arrow> arrowOf(int key)
{
    switch (key) {
    case Qt::Key_Left:
        return Arrow::Left;
    case Qt::Key_Up:
        return Arrow::Up;
    case Qt::Key_Right:
        return Arrow::Right;
    case Qt::Key_Down:
        return Arrow::Down;
    default:
        return std::nullopt;
    }
}

std::optional<CellIndex> arrowTarget(CellIndex from, Arrow arrow)
{
    static constexpr int Step[] = { -1, 9, 1, -9 };
    const int to = from + Step[static_cast<int>(arrow)];
    return isCell(to) ? std::optional<CellIndex>(to) : std::nullopt;
}

bool isOverwriteKey(int key, Qt::KeyboardModifiers modifiers)
{
    return modifiers.testFlag(Qt::KeypadModifier) && key >= Qt::Key_1 && key <= Qt::Key_9;
}

ColourValue backOf(puzzles::CellKind kind)
{
    switch (kind) {
    case puzzles::CellKind::Given:
        return GivenColour;
    case puzzles::CellKind::Marked:
        return MarkColour;
    case puzzles::CellKind::Open:
        break;
    }
    return OpenColour;
}

puzzles::CellKind kindOf(ColourValue back)
{
    if (back == GivenColour)
        return puzzles::CellKind::Given;
    if (back == MarkColour)
        return puzzles::CellKind::Marked;
    return puzzles::CellKind::Open;
}

ColourValue inkColour(CellIndex index, int ink)
{
    if (ink >= 1 && ink <= 9)
        return DigitColours[static_cast<std::size_t>(ink - 1)];
    return index == 1 ? Black : WindowTextColour;
}

int inkOf(ColourValue fore)
{
    for (std::size_t d = 0; d < DigitColours.size(); ++d)
        if (DigitColours[d] == fore)
            return static_cast<int>(d) + 1;
    return 0;
}

std::optional<ColourValue> toggledMark(ColourValue back)
{
    if (back == OpenColour)
        return MarkColour;
    if (back == MarkColour)
        return OpenColour;
    return std::nullopt;
}

} // namespace zov::input
