#include "input/spoken.h"

namespace zov::input::spoken {
namespace {

std::string number(int n) { return std::to_string(n); }

// "row 3, column 6", inside a sentence.
std::string where(CellIndex i)
{
    return "row " + number(rowNumber(i)) + ", column " + number(columnNumber(i));
}

std::string joined(const std::vector<std::string> &parts, const std::string &between)
{
    std::string out;
    for (const auto &p : parts) {
        if (p.empty())
            continue;
        if (!out.empty())
            out += between;
        out += p;
    }
    return out;
}

std::string times(int n)
{
    static const char *const said[] = { "no times", "once", "twice", "three times", "four times",
        "five times", "six times", "seven times", "eight times", "nine times" };
    return n >= 0 && n <= 9 ? said[n] : number(n) + " times";
}

std::string cells(int n) { return n == 1 ? "1 cell" : number(n) + " cells"; }

// The change of one cell's digit or mark, or "" when only its notes changed.
std::string digitChange(const Change &c)
{
    const Cell &b = c.before;
    const Cell &a = c.after;
    std::string said;
    if (a.digit != b.digit) {
        if (!b.digit)
            said = number(a.digit) + " placed in " + where(c.cell);
        else if (!a.digit)
            said = number(b.digit) + " removed from " + where(c.cell);
        else
            said = number(a.digit) + " placed in " + where(c.cell) + ", " + number(b.digit)
                + " removed";
        if (!a.digit && a.notes)
            said += ", notes " + notesOf(a.notes);
    }
    if (a.marked != b.marked) {
        const std::string mark = a.marked ? "marked" : "mark taken away";
        said = said.empty() ? where(c.cell) + " " + mark : said + ", " + mark;
    }
    return said;
}

std::string notesChange(const Change &c)
{
    if (!c.after.notes)
        return "no notes in " + where(c.cell);
    return "notes of " + where(c.cell) + " now " + notesOf(c.after.notes);
}

} // namespace

std::string place(CellIndex i)
{
    return "Row " + number(rowNumber(i)) + ", column " + number(columnNumber(i)) + ", box "
        + number(boxNumber(i));
}

std::string notesOf(std::uint16_t notes)
{
    std::string out;
    for (int d = 1; d <= 9; ++d)
        if (notes & (1u << (d - 1)))
            out += (out.empty() ? "" : " ") + number(d);
    return out;
}

std::string holding(const Cell &c)
{
    if (c.digit)
        return joined({ number(c.digit), remark(c) }, ", ");
    return remark(c);
}

std::string remark(const Cell &c)
{
    std::vector<std::string> parts;
    if (!c.digit)
        parts.push_back("empty");
    if (c.given)
        parts.push_back("given");
    else if (c.marked)
        parts.push_back("marked");
    if (!c.digit && c.notes)
        parts.push_back("notes " + notesOf(c.notes));
    return joined(parts, ", ");
}

std::string placed(int digit) { return number(digit) + " placed"; }

std::string removed(int digit) { return number(digit) + " removed"; }

std::string replaced(int was, int digit) { return placed(digit) + ", " + removed(was); }

std::string cannotChange(const Cell &c)
{
    if (c.given)
        return "given, cannot change";
    return "holds " + number(c.digit) + ", delete it first";
}

std::string noteChanged(int digit, bool added, std::uint16_t notesNow)
{
    return "note " + number(digit) + (added ? " added, " : " removed, ")
        + (notesNow ? "notes " + notesOf(notesNow) : std::string("no notes"));
}

std::string notesCleared() { return "notes cleared"; }

std::string notesFilled(int n) { return "notes filled in " + cells(n); }

std::string markChanged(bool marked) { return marked ? "marked" : "mark taken away"; }

std::string boardCleared(int givens) { return "board cleared, " + number(givens) + " given"; }

std::string puzzleLoaded(int n, int givens)
{
    return "Puzzle " + number(n) + " loaded, " + number(givens) + " given";
}

std::string changes(const std::vector<Change> &changed)
{
    // Digits and marks are told cell by cell while they are few; notes that only follow them (a
    // placed digit takes its note from the cells it sees) are counted.
    constexpr std::size_t Few = 3;
    std::vector<std::string> major, minor;
    for (const auto &c : changed) {
        if (auto said = digitChange(c); !said.empty())
            major.push_back(std::move(said));
        else if (c.after.notes != c.before.notes)
            minor.push_back(notesChange(c));
    }
    std::vector<std::string> parts;
    if (major.size() <= Few)
        parts = major;
    else
        parts.push_back("digits or marks changed in " + cells(static_cast<int>(major.size())));
    if (major.empty() && minor.size() <= Few)
        parts.insert(parts.end(), minor.begin(), minor.end());
    else if (!minor.empty())
        parts.push_back("notes changed in " + cells(static_cast<int>(minor.size())));
    if (parts.empty())
        return "no change";
    return joined(parts, "; ");
}

std::string undone(const std::vector<Change> &changed) { return "Undone: " + changes(changed); }

std::string redone(const std::vector<Change> &changed) { return "Redone: " + changes(changed); }

std::string nothingTo(bool undo) { return undo ? "nothing to undo" : "nothing to redo"; }

std::string hintTaken(const std::vector<Change> &changed)
{
    return "Hint applied: " + changes(changed);
}

std::string unit(Unit kind, int n, const std::array<int, 9> &digits)
{
    static const char *const names[] = { "Row ", "Column ", "Box " };
    std::vector<std::string> read;
    for (const int d : digits)
        read.push_back(d ? number(d) : "blank");
    return names[static_cast<int>(kind)] + number(n) + ": " + joined(read, ", ");
}

std::string toPlace(const std::array<int, 9> &placedCounts)
{
    std::vector<std::string> left;
    for (int d = 1; d <= 9; ++d) {
        const int missing = 9 - placedCounts[static_cast<std::size_t>(d - 1)];
        if (missing > 0)
            left.push_back(number(d) + " " + times(missing));
    }
    if (left.empty())
        return "every digit placed";
    return "To place: " + joined(left, ", ");
}

} // namespace zov::input::spoken
