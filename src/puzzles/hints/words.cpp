// The hints' sentences. Each says what the pattern is, then why it removes or places what it
// does, in words a player who has never heard the technique's name can follow.

#include "puzzles/hints/words.h"

#include <algorithm>
#include <map>

namespace zov::puzzles::hints::words {
namespace {

using grading::lowest;
using grading::units;

std::string num(int n) { return std::to_string(n); }

// "a 7", "an 8".
std::string an(const std::string &digits) { return (digits[0] == '8' ? "an " : "a ") + digits; }

std::string capitalised(std::string s)
{
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z')
        s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s;
}

std::string joined(const std::vector<std::string> &items, const std::string &comma = ", ",
    const std::string &last = " and ")
{
    std::string text;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k > 0)
            text += k + 1 == items.size() ? last : comma;
        text += items[k];
    }
    return text;
}

std::vector<int> digitsOf(Mask m)
{
    std::vector<int> list;
    for (int d = 0; d < 9; ++d)
        if (m >> d & 1)
            list.push_back(d + 1);
    return list;
}

std::string numbers(const std::vector<int> &list)
{
    std::vector<std::string> items;
    for (const int n : list)
        items.push_back(num(n));
    return joined(items);
}

std::string digitOr(Mask m)
{
    std::vector<std::string> items;
    for (const int d : digitsOf(m))
        items.push_back(num(d));
    return joined(items, ", ", " or ");
}

std::string sizeWord(int n)
{
    static const char *const words[] = { "none", "one", "two", "three", "four" };
    return n >= 0 && n <= 4 ? words[n] : num(n);
}

// Rows 0-8, columns 9-17, boxes 18-26.
std::string kindOf(int unit) { return unit < 9 ? "row" : unit < 18 ? "column" : "box"; }
int numberOf(int unit) { return unit % 9 + 1; }

// "rows 3 and 7", "columns 2, 5 and 8".
std::string linesName(const std::vector<int> &lines)
{
    std::vector<int> n;
    for (const int u : lines)
        n.push_back(numberOf(u));
    return kindOf(lines.front()) + (lines.size() > 1 ? "s " : " ") + numbers(n);
}

// The two kinds of unit besides `unit`'s, as a cell sees them: "column or box".
std::string otherKinds(int unit)
{
    return unit < 9 ? "column or box" : unit < 18 ? "row or box" : "row or column";
}

// The unit two cells share, the row first.
int sharedUnit(int a, int b)
{
    for (int k = 0; k < 3; ++k)
        if (units.of[a][k] == units.of[b][k])
            return units.of[a][k];
    return -1;
}

std::string removalsText(const Removals &removed, const std::vector<int> *only = nullptr)
{
    std::map<Mask, std::vector<int>> byDigits;
    std::vector<Mask> order;
    for (const auto &[p, m] : removed) {
        if (only && std::find(only->begin(), only->end(), p) == only->end())
            continue;
        if (!byDigits.count(m))
            order.push_back(m);
        byDigits[m].push_back(p);
    }
    std::string text;
    for (const Mask m : order) {
        const auto digits = digitsOf(m);
        if (!text.empty())
            text += ' ';
        text += "Remove " + (digits.size() == 1 ? "the " + num(digits[0]) : numbers(digits))
            + " from " + cellList(byDigits[m]) + '.';
    }
    return text;
}

// Cells of one unit named within it: "columns 4 and 6" of a row, "rows 8 and 9" of a column;
// a box's cells in full.
std::string cellsWithin(int unit, const std::vector<int> &cells)
{
    if (unit >= 18)
        return cellList(cells);
    std::vector<int> along;
    for (const int p : cells)
        along.push_back(unit < 9 ? p % 9 + 1 : p / 9 + 1);
    std::sort(along.begin(), along.end());
    return (unit < 9 ? "column" : "row") + std::string(along.size() > 1 ? "s " : " ")
        + numbers(along);
}

} // namespace

std::string cellName(int cell)
{
    return "row " + num(cell / 9 + 1) + ", column " + num(cell % 9 + 1);
}

std::string unitName(int unit) { return kindOf(unit) + ' ' + num(numberOf(unit)); }

std::string cellList(const std::vector<int> &cells)
{
    // Grouped by row or by column, whichever makes fewer groups.
    auto grouped = [&](bool byRow) {
        std::map<int, std::vector<int>> groups;
        for (const int p : cells)
            groups[byRow ? p / 9 : p % 9].push_back(byRow ? p % 9 + 1 : p / 9 + 1);
        std::vector<std::string> items;
        for (auto &[line, along] : groups) {
            std::sort(along.begin(), along.end());
            items.push_back((byRow ? "row " : "column ") + num(line + 1) + ", "
                + (byRow ? "column" : "row") + (along.size() > 1 ? "s " : " ") + numbers(along));
        }
        return items;
    };
    const auto rows = grouped(true), columns = grouped(false);
    const auto &items = columns.size() < rows.size() ? columns : rows;
    return joined(items, "; ", "; and ");
}

std::string digitList(Mask digits) { return numbers(digitsOf(digits)); }

Levels hiddenSingle(int unit, int digit, int cell, OthersLack why)
{
    const std::string u = unitName(unit), d = num(digit);
    std::string reason;
    switch (why) {
    case OthersLack::SeeIt:
        reason = "the other open cells of " + u + " see " + an(d) + " in their " + otherKinds(unit);
        break;
    case OthersLack::RuledOut:
        reason
            = "the notes of the other open cells of " + u + " have already ruled the " + d + " out";
        break;
    case OthersLack::Both:
        reason = "each other open cell of " + u + " either sees " + an(d) + " in its "
            + otherKinds(unit) + " or has the " + d + " ruled out by its notes";
        break;
    }
    return { "Hidden single: look at " + u + ".", "Where can the " + d + " go in " + u + "?",
        "The " + d + " of " + u + " can only go in " + cellName(cell) + ": " + reason + "." };
}

Levels nakedSingle(int cell, int digit, Mask seen, Mask ruledOut)
{
    const std::string c = cellName(cell), d = num(digit);
    std::string reason;
    if (!ruledOut)
        reason = "its row, column and box already hold every other digit (" + digitList(seen) + ")";
    else if (!seen)
        reason = "its notes have already ruled out every other digit";
    else
        reason = "its row, column and box hold " + digitList(seen)
            + ", and its notes have already ruled out " + digitList(ruledOut);
    return { "Naked single: look at " + c + ".", "Which digits are still possible in " + c + "?",
        capitalised(c) + " can only hold " + an(d) + ": " + reason + "." };
}

Levels lockedCandidates(bool pointing, int first, int second, int digit,
    const std::vector<int> &cells, const Removals &removed)
{
    const std::string a = unitName(first), b = unitName(second), d = num(digit);
    return { (pointing ? "Pointing: look at " : "Claiming: look at ") + a + ".",
        "Where can the " + d + " go in " + a + "?",
        "In " + a + " the " + d + " can only go in " + cellsWithin(first, cells)
            + ", all of them in " + b + ". Whichever of them holds it, that is also the " + d
            + " of " + b + ", so no other cell of " + b + " can hold " + an(d) + ". "
            + removalsText(removed) };
}

Levels subset(bool naked, int size, int unit, const std::vector<int> &cells, Mask digits,
    const Removals &removed)
{
    static const char *const names[] = { "", "", "pair", "triple", "quad" };
    const std::string name = (naked ? "Naked " : "Hidden ") + std::string(names[size]);
    const std::string u = unitName(unit), n = sizeWord(size);
    if (naked)
        return { name + ": look at " + u + ".",
            "Which " + n + " cells of " + u + " can hold only " + n + " digits between them?",
            "In " + u + ", " + (unit < 18 ? "the cells in " : "") + cellsWithin(unit, cells)
                + " can hold only " + digitList(digits) + " between them. These " + n
                + " cells must take these " + n + " digits, one each, so no other cell of " + u
                + " can hold " + an(digitOr(digits)) + ". " + removalsText(removed) };
    return { name + ": look at " + u + ".",
        "Which " + n + " digits can go in only " + n + " cells of " + u + "?",
        "In " + u + " the " + digitList(digits) + " can only go in " + cellsWithin(unit, cells)
            + ". These " + n + " digits need " + n
            + " cells, one each, so these cells hold these digits and nothing else. "
            + removalsText(removed) };
}

Levels fish(int size, int digit, const std::vector<int> &baseLines,
    const std::vector<int> &coverLines, const std::vector<int> &cells, const Removals &removed)
{
    static const char *const names[] = { "", "", "X-wing", "Swordfish", "Jellyfish" };
    const std::string base = linesName(baseLines), cover = linesName(coverLines), d = num(digit);
    const std::string baseKind = kindOf(baseLines.front()), coverKind = kindOf(coverLines.front());
    return { std::string(names[size]) + ": look at the " + d + "s in " + base + ".",
        "In " + base + ", which " + coverKind + "s can the " + d + " go in?",
        "In " + base + " the " + d + " can only go in " + cover + " (" + cellList(cells)
            + "). Each of these " + sizeWord(size) + " " + baseKind + "s needs " + an(d)
            + " and no two of them can share " + an(coverKind) + ", so their " + d + "s are the "
            + d + "s of " + cover + ": no other cell of those " + coverKind + "s can hold " + an(d)
            + ". " + removalsText(removed) };
}

Levels xyWing(WingCell pivot, WingCell a, WingCell b, int digit, const Removals &removed)
{
    const std::string p = cellName(pivot.cell), z = num(digit);
    const Mask x = static_cast<Mask>(pivot.candidates & a.candidates),
               y = static_cast<Mask>(pivot.candidates & b.candidates);
    return { "XY-wing: look at " + p + ".",
        capitalised(p) + " can only be " + digitOr(pivot.candidates)
            + ". What do the cells it sees that have two candidates make of that?",
        capitalised(p) + " is " + digitOr(pivot.candidates) + ". If it is " + digitOr(x) + ", "
            + cellName(a.cell) + " (" + digitOr(a.candidates) + ") must be " + z + "; if it is "
            + digitOr(y) + ", " + cellName(b.cell) + " (" + digitOr(b.candidates) + ") must be " + z
            + ". Either way one of those two cells holds " + an(z)
            + ", so no cell that sees both of them can hold one. " + removalsText(removed) };
}

Levels xyzWing(WingCell pivot, WingCell a, WingCell b, int digit, const Removals &removed)
{
    const std::string p = cellName(pivot.cell), z = num(digit);
    const auto zm = digitBit(digit);
    const Mask x = static_cast<Mask>(a.candidates & ~zm), y = static_cast<Mask>(b.candidates & ~zm);
    return { "XYZ-wing: look at " + p + ".",
        capitalised(p) + " can only be " + digitOr(pivot.candidates)
            + ". What do the cells it sees that have two candidates make of that?",
        capitalised(p) + " is " + digitOr(pivot.candidates) + ". If it is " + digitOr(x) + ", "
            + cellName(a.cell) + " (" + digitOr(a.candidates) + ") must be " + z + "; if it is "
            + digitOr(y) + ", " + cellName(b.cell) + " (" + digitOr(b.candidates) + ") must be " + z
            + ". So one of these three cells holds " + an(z)
            + ", and no cell that sees all three can hold one. " + removalsText(removed) };
}

Levels colouring(const Colouring &c, const Removals &removed)
{
    const std::string d = num(c.digit);
    std::string why = "Where a row, column or box has only two places left for the " + d
        + ", one of them holds it and the other does not. Linked that way, these " + d
        + "s fall into two groups that take turns: the first group, " + cellList(c.groupA)
        + ", and the second, " + cellList(c.groupB)
        + ". Either every cell of the first group holds " + an(d)
        + " or every cell of the second does. ";
    if (c.falseGroup >= 0)
        why += "But " + cellName(c.clashA) + " and " + cellName(c.clashB) + " of the "
            + (c.falseGroup == 0 ? "first" : "second") + " group are both in "
            + unitName(c.clashUnit) + ", which cannot hold two " + d
            + "s, so that group holds none. ";
    else
        why += "A cell that sees a cell of each group can hold no " + d
            + ", whichever group is right (" + cellName(c.seer) + " sees " + cellName(c.seenA)
            + " and " + cellName(c.seenB) + "). ";
    return { "Simple colouring: follow the " + d + "s.",
        "Follow the " + d
            + "s through the rows, columns and boxes where they have only two "
              "places left.",
        why + removalsText(removed) };
}

Levels xChain(int digit, const std::vector<XChain> &chains, const Removals &removed)
{
    const std::string d = num(digit);
    const std::string start = cellName(chains.front().cells.front());
    std::string why;
    for (const auto &chain : chains) {
        if (!why.empty())
            why += " In the same way: ";
        const auto &cs = chain.cells;
        why += "If " + cellName(cs[0]) + " is not " + an(d) + ", " + cellName(cs[1])
            + " is (the only other place for the " + d + " in " + unitName(chain.units[0]) + ")";
        for (std::size_t k = 2; k + 1 < cs.size(); k += 2)
            why += "; then " + cellName(cs[k]) + ", which sees it, is not, so "
                + cellName(cs[k + 1]) + " is (the only other place in "
                + unitName(chain.units[k / 2]) + ")";
        why += ". So " + cellName(cs.front()) + " or " + cellName(cs.back()) + " holds " + an(d)
            + ", and no cell that sees both can hold one. "
            + removalsText(removed, &chain.removedBy);
    }
    return { "X-chain: follow the " + d + "s from " + start + ".",
        "If " + start + " does not hold the " + d + ", where must the " + d + " go?", why };
}

Levels xyChain(int digit, const std::vector<XYChain> &chains, const Removals &removed)
{
    const std::string d = num(digit);
    const auto &first = chains.front().cells.front();
    const std::string start = cellName(first.cell);
    std::string why;
    for (const auto &chain : chains) {
        if (!why.empty())
            why += " In the same way: ";
        const auto &cs = chain.cells;
        why += capitalised(cellName(cs[0].cell)) + " is " + digitOr(cs[0].candidates)
            + ". If it is not " + d + ", it is " + num(chain.forced[0]);
        for (std::size_t k = 1; k < cs.size(); ++k)
            why += (k + 1 == cs.size() ? "; and then " : "; then ") + cellName(cs[k].cell) + " ("
                + digitOr(cs[k].candidates) + ") is " + num(chain.forced[k]);
        why += ". So " + cellName(cs.front().cell) + " or " + cellName(cs.back().cell) + " holds "
            + an(d) + ", and no cell that sees both can hold one. "
            + removalsText(removed, &chain.removedBy);
    }
    return { "XY-chain: look at " + start + ".",
        capitalised(start) + " can only be " + digitOr(first.candidates)
            + ". Follow the cells with two candidates from it.",
        why };
}

Levels trial(const Trial &t)
{
    const std::string c = cellName(t.cell), d = num(t.digit);
    Levels levels { "Trial: no pattern is left, so try a digit. Look at " + c
            + ", which can only be " + digitOr(t.candidates) + ".",
        "What would follow if " + c + " were " + an(d) + "?" };
    if (t.deep) {
        levels.push_back("If " + c + " were " + an(d)
            + ", the puzzle would have no solution: a search through every way on from there "
              "shows it, though no short chain of single steps does. So "
            + c + " is not " + an(d) + ". Remove the " + d + " from " + c + ".");
        return levels;
    }
    std::string why = "If " + c + " were " + an(d);
    for (const auto &s : t.steps)
        why += s.unit < 0
            ? ", " + cellName(s.cell) + " would have only the " + num(s.digit) + " left"
            : ", the " + num(s.digit) + " of " + unitName(s.unit) + " would have only "
                + cellName(s.cell) + " left";
    why += t.steps.empty() ? ", " : ", and then ";
    why += t.emptyCell >= 0
        ? cellName(t.emptyCell) + " would have no digit left"
        : "the " + num(t.digitLost) + " would have no place left in " + unitName(t.emptyUnit);
    levels.push_back(
        why + ". So " + c + " cannot be " + an(d) + ". Remove the " + d + " from " + c + ".");
    return levels;
}

Levels wrongDigit(int cell, int digit, int clashCell)
{
    std::string second = "The " + num(digit) + " in " + cellName(cell) + " is wrong";
    if (clashCell >= 0)
        second += ": " + cellName(clashCell) + ", in the same "
            + kindOf(sharedUnit(cell, clashCell)) + ", holds " + an(num(digit)) + " too";
    return { "A digit on the board is wrong.", second + "." };
}

Levels repeat(int cellA, int cellB, int unit, int digit)
{
    return { "Two cells of one row, column or box hold the same digit.",
        capitalised(cellName(cellA)) + " and " + cellName(cellB) + " both hold " + an(num(digit))
            + ", in " + unitName(unit) + "." };
}

Levels missingNote(int cell, int digit)
{
    return { "A cell's notes leave out the digit that belongs there.",
        "Look at the notes of " + cellName(cell) + ".",
        "The notes of " + cellName(cell) + " leave out the " + num(digit)
            + ", and the solution has " + an(num(digit)) + " there." };
}

Levels noSolution()
{
    return { "This puzzle has no solution: its givens cannot all stand, so there is no step to "
             "take." };
}

Levels notUnique()
{
    return { "This puzzle has more than one solution, so no step follows from its givens for "
             "certain." };
}

Levels solved() { return { "The puzzle is solved." }; }

} // namespace zov::puzzles::hints::words
