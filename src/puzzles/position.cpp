#include "puzzles/position.h"

namespace zov::puzzles {

Position Position::start(const Grid &givens)
{
    Position s;
    s.givens = givens;
    s.digits = givens;
    for (std::size_t p = 0; p < givens.size(); ++p)
        if (givens[p])
            s.kinds[p] = CellKind::Given;
    return s;
}

Cells Position::place(int p, int digit)
{
    const auto at = static_cast<std::size_t>(p);
    Cells changed;
    if (digits[at] == digit)
        return changed;
    digits[at] = static_cast<std::uint8_t>(digit);
    changed.add(p);
    if (!digit)
        return changed;
    notes[at] = 0;
    const Digits bit = digitBit(digit);
    for (const auto q : units.peers[at])
        if (notes[q] & bit) {
            notes[q] = static_cast<Digits>(notes[q] & ~bit);
            changed.add(q);
        }
    return changed;
}

Cells Position::setNotes(int p, Digits n)
{
    const auto at = static_cast<std::size_t>(p);
    Cells changed;
    if (notes[at] != n) {
        notes[at] = n;
        changed.add(p);
    }
    return changed;
}

Cells Position::toggleNote(int p, int digit)
{
    if (!takesNotes(p))
        return {};
    return setNotes(p, static_cast<Digits>(notes[static_cast<std::size_t>(p)] ^ digitBit(digit)));
}

Cells Position::fillNotes()
{
    const auto held = unitDigits(digits);
    Cells changed;
    for (int p = 0; p < 81; ++p)
        if (takesNotes(p))
            changed |= setNotes(p, allowedBy(held, p));
    return changed;
}

std::array<Digits, 81> Position::candidates() const
{
    const auto held = unitDigits(digits);
    std::array<Digits, 81> c {};
    for (std::size_t p = 0; p < c.size(); ++p)
        if (!digits[p]) {
            const Digits allowed = allowedBy(held, static_cast<int>(p));
            c[p] = notes[p] ? static_cast<Digits>(allowed & notes[p]) : allowed;
        }
    return c;
}

std::string cellNotation(int p)
{
    return { 'r', static_cast<char>('1' + p / 9), 'c', static_cast<char>('1' + p % 9) };
}

std::string digitNotation(int p, char sign, Digits digits)
{
    std::string text = cellNotation(p) + sign;
    for (int d = 1; d <= 9; ++d)
        if (digits & digitBit(d))
            text += static_cast<char>('0' + d);
    return text;
}

} // namespace zov::puzzles
