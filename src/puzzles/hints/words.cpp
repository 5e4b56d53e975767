// The hints' sentences. Each says what the pattern is, then why it removes or places what it
// does, in words a player who has never heard the technique's name can follow.

#include "puzzles/hints/words.h"

#include "puzzles/grading/implications.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace zov::puzzles::hints::words {
namespace {

using grading::lowest;
using grading::units;

std::string num(int n) { return std::to_string(n); }

// One sentence from its parts, in one allocation: the singles are most of a worked solution.
std::string cat(std::initializer_list<std::string_view> parts)
{
    std::size_t size = 0;
    for (const auto part : parts)
        size += part.size();
    std::string text;
    text.reserve(size);
    for (const auto part : parts)
        text += part;
    return text;
}

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
    std::string text;
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (k > 0)
            text += k + 1 == list.size() ? " and " : ", ";
        text += num(list[k]);
    }
    return text;
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
std::string_view otherKinds(int unit)
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
    // The cells of each set of digits removed, the sets in the order they first come.
    std::vector<std::pair<Mask, std::vector<int>>> byDigits;
    for (const auto &[p, m] : removed) {
        if (only && std::find(only->begin(), only->end(), p) == only->end())
            continue;
        auto at = std::find_if(
            byDigits.begin(), byDigits.end(), [m = m](const auto &e) { return e.first == m; });
        if (at == byDigits.end())
            at = byDigits.insert(byDigits.end(), { m, {} });
        at->second.push_back(p);
    }
    std::string text;
    for (const auto &[m, cells] : byDigits) {
        if (!text.empty())
            text += ' ';
        text += "Remove ";
        text += bits(m) == 1 ? "the " + num(lowest(m) + 1) : numbers(digitsOf(m));
        text += " from ";
        text += cellList(cells);
        text += '.';
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
    std::string name = "row 1, column 1";
    name[4] = static_cast<char>('1' + cell / 9);
    name[14] = static_cast<char>('1' + cell % 9);
    return name;
}

std::string unitName(int unit)
{
    std::string name = kindOf(unit);
    name += ' ';
    name += static_cast<char>('0' + numberOf(unit));
    return name;
}

std::string cellList(const std::vector<int> &cells)
{
    // Grouped by row or by column, whichever makes fewer groups; each line's places in order.
    std::array<unsigned, 9> byRow {}, byColumn {};
    for (const int p : cells) {
        byRow[static_cast<std::size_t>(p / 9)] |= 1u << (p % 9);
        byColumn[static_cast<std::size_t>(p % 9)] |= 1u << (p / 9);
    }
    const auto count = [](const std::array<unsigned, 9> &lines) {
        return std::count_if(lines.begin(), lines.end(), [](unsigned m) { return m != 0; });
    };
    const bool rows = count(byRow) <= count(byColumn);
    const auto &lines = rows ? byRow : byColumn;
    const auto groups = count(lines);
    std::string text;
    int told = 0;
    for (int line = 0; line < 9; ++line) {
        const unsigned along = lines[static_cast<std::size_t>(line)];
        if (!along)
            continue;
        if (told > 0)
            text += told + 1 == groups ? "; and " : "; ";
        ++told;
        text += rows ? "row " : "column ";
        text += static_cast<char>('1' + line);
        text += rows ? ", column" : ", row";
        text += bits(along) > 1 ? "s " : " ";
        int k = 0;
        const int n = bits(along);
        for (unsigned m = along; m; m &= m - 1, ++k) {
            if (k > 0)
                text += k + 1 == n ? " and " : ", ";
            text += static_cast<char>('1' + lowest(m));
        }
    }
    return text;
}

std::string digitList(Mask digits)
{
    std::string text;
    const int n = bits(digits);
    int k = 0;
    for (unsigned m = digits; m; m &= m - 1, ++k) {
        if (k > 0)
            text += k + 1 == n ? " and " : ", ";
        text += static_cast<char>('1' + lowest(m));
    }
    return text;
}

namespace {

std::string titleOf(Technique technique)
{
    switch (technique) {
    case Technique::Pointing:
        return "Locked candidates (pointing)";
    case Technique::Claiming:
        return "Locked candidates (claiming)";
    case Technique::Trial:
        return "Trial";
    case Technique::Aic:
        return "Alternating inference chain";
    case Technique::GroupedAic:
        return "Grouped alternating inference chain";
    case Technique::AlsXZ:
        return "Almost-locked sets (ALS-XZ)";
    case Technique::AlsXYWing:
        return "ALS-XY-wing";
    case Technique::TwoStringKite:
        return "Two-string kite";
    case Technique::WWing:
        return "W-wing";
    case Technique::FinnedXWing:
        return "Finned X-wing";
    case Technique::SashimiXWing:
        return "Sashimi X-wing";
    case Technique::UniqueRectangle1:
        return "Unique rectangle (type 1)";
    case Technique::UniqueRectangle2:
        return "Unique rectangle (type 2)";
    case Technique::UniqueRectangle4:
        return "Unique rectangle (type 4)";
    case Technique::BugPlusOne:
        return "BUG+1";
    default:
        break;
    }
    // "x-wing" -> "X-wing", "xy-chain" -> "XY-chain", "naked-pair" -> "Naked pair".
    const std::string name(techniqueName(technique));
    const auto dash = name.find('-');
    const std::string head = name.substr(0, dash);
    if (head.find_first_not_of("xyz") == std::string::npos) {
        std::string upper = head;
        for (auto &c : upper)
            c = static_cast<char>(c - 'a' + 'A');
        return upper + name.substr(head.size());
    }
    std::string title = capitalised(name);
    std::replace(title.begin(), title.end(), '-', ' ');
    return title;
}

} // namespace

const std::string &techniqueTitle(Technique technique)
{
    // Asked at every step of a worked solution: made once.
    static const auto titles = [] {
        std::array<std::string, TechniqueCount> all;
        for (int k = 0; k < TechniqueCount; ++k)
            all[static_cast<std::size_t>(k)] = titleOf(static_cast<Technique>(k));
        return all;
    }();
    return titles[static_cast<std::size_t>(technique)];
}

namespace {

using grading::Candidate;
using grading::Role;
using grading::StepPattern;

std::vector<int> cellsIn(const StepPattern &seen, Role role)
{
    std::vector<int> cells;
    for (const auto &c : seen.candidates)
        if (c.role == role && std::find(cells.begin(), cells.end(), c.cell) == cells.end())
            cells.push_back(c.cell);
    return cells;
}

std::vector<int> unitsIn(const StepPattern &seen, Role role)
{
    std::vector<int> list;
    for (const auto &u : seen.unitRoles)
        if (u.role == role)
            list.push_back(u.unit);
    return list;
}

// The removals, short enough for the last level: named in full while that stays brief, else
// counted and left to the struck-out marks.
std::string removalsTold(const Removals &removed)
{
    std::string text = removalsText(removed);
    if (text.size() <= 150)
        return text;
    Mask digits = 0;
    for (const auto &[p, m] : removed)
        digits = static_cast<Mask>(digits | m);
    return "Remove the struck-out "
        + (bits(digits) == 1 ? num(lowest(digits) + 1) + "s" : "candidates") + " from the "
        + num(static_cast<int>(removed.size())) + " cells marked.";
}

std::string placementTold(const StepPattern &seen)
{
    return cat({ "Place the ", num(seen.placedDigit), " in ", cellName(seen.placedCell), "." });
}

std::string resultTold(const StepPattern &seen)
{
    return seen.placedCell >= 0 ? placementTold(seen) : removalsTold(seen.removed);
}

Telling singles(const StepPattern &seen, Mask ruledOut, OthersLack why, bool brief)
{
    Telling t;
    const int p = seen.placedCell, d = seen.placedDigit;
    const std::string c = cellName(p), dn = num(d), a = an(dn);
    if (seen.technique == Technique::HiddenSingle) {
        const int unit = seen.unitRoles.front().unit;
        const std::string u = unitName(unit);
        if (!brief) {
            t.look = cat({ "Look at ", u, ", shaded: where can the ", dn, " go?" });
            t.pattern = cat({ "The ", dn, "s marked in the board see the open cells of ", u,
                ": a cell that sees ", a, " cannot hold another." });
        }
        // The result and its reason in one string: most of a worked solution's steps are these.
        std::string &r = t.result;
        r.reserve(200);
        r.append("The ").append(dn).append(" of ").append(u).append(" can only go in ").append(c);
        switch (why) {
        case OthersLack::SeeIt:
            r.append(": every other open cell of ").append(u).append(" sees ").append(a);
            r.append(" in its ").append(otherKinds(unit));
            break;
        case OthersLack::RuledOut:
            r.append(": the notes of the other open cells of ").append(u);
            r.append(" have already ruled the ").append(dn).append(" out");
            break;
        case OthersLack::Both:
            r.append(": each other open cell of ").append(u).append(" either sees ").append(a);
            r.append(" in its ").append(otherKinds(unit)).append(" or has the ").append(dn);
            r.append(" ruled out by its notes");
            break;
        }
        r += '.';
        return t;
    }
    const Mask around = static_cast<Mask>(AllDigits & ~ruledOut & ~digitBit(d));
    if (!brief) {
        t.look = cat({ "Look at ", c, ", and at its row, column and box, shaded." });
        t.pattern = "The digits marked in its row, column and box are the ones it cannot hold.";
    }
    std::string &r = t.result;
    r.reserve(160);
    r.append(capitalised(c)).append(" can only hold ").append(a);
    if (!ruledOut)
        r.append(": its row, column and box already hold every other digit (")
            .append(digitList(around))
            .append(")");
    else if (!around)
        r.append(": its notes have already ruled out every other digit");
    else
        r.append(": its row, column and box hold ")
            .append(digitList(around))
            .append(", and its notes have already ruled out ")
            .append(digitList(ruledOut));
    r += '.';
    return t;
}

Telling locked(const StepPattern &seen)
{
    Telling t;
    const int a = unitsIn(seen, Role::Base).front(), b = unitsIn(seen, Role::Cover).front();
    const std::string d = num(lowest(seen.digits) + 1), ua = unitName(a), ub = unitName(b);
    t.look = cat({ "Look at the ", d, "s of ", ua, " and where it meets ", ub, ", shaded." });
    t.pattern = cat({ "In ", ua, " the ", d, " can only go in the cells marked (",
        cellsWithin(a, cellsIn(seen, Role::Pattern)), "), all of them in ", ub, "." });
    t.result = cat({ "Whichever of them holds it, that is also the ", d, " of ", ub,
        ", so no other cell of ", ub, " can hold ", an(d), ". ", resultTold(seen) });
    return t;
}

Telling subset(const StepPattern &seen, const grading::CandidateGrid &before)
{
    Telling t;
    const auto tech = seen.technique;
    const bool naked = tech == Technique::NakedPair || tech == Technique::NakedTriple
        || tech == Technique::NakedQuad;
    const auto cells = cellsIn(seen, Role::Pattern);
    const int unit = unitsIn(seen, Role::Look).front();
    const std::string u = unitName(unit), n = sizeWord(static_cast<int>(cells.size()));
    const Mask digits = seen.digits;
    if (naked) {
        t.look = "Look at " + u + ", shaded: which " + n + " cells there can hold only " + n
            + " digits between them?";
        t.pattern = "The cells marked, " + cellsWithin(unit, cells) + ", can hold only "
            + digitList(digits) + " between them.";
        t.result = "These " + n + " cells must take these " + n
            + " digits, one each, so no other cell of " + u + " can hold " + an(digitOr(digits))
            + ". " + resultTold(seen);
    } else {
        t.look = "Look at " + u + ", shaded: which " + n + " digits can go in only " + n
            + " of its cells?";
        t.pattern = "In " + u + " the " + digitList(digits) + ", marked, can only go in "
            + cellsWithin(unit, cells) + ".";
        t.result = "These " + n + " digits need these " + n
            + " cells, one each, so the cells hold nothing else. " + resultTold(seen);
    }
    (void)before;
    return t;
}

Telling fish(const StepPattern &seen)
{
    Telling t;
    const auto base = unitsIn(seen, Role::Base), cover = unitsIn(seen, Role::Cover);
    const std::string d = num(lowest(seen.digits) + 1), b = linesName(base), c = linesName(cover);
    const std::string baseKind = kindOf(base.front()), coverKind = kindOf(cover.front());
    t.look = "Look at the " + d + "s in " + b + ", shaded.";
    t.pattern = "In " + b + " the " + d + ", marked, can only go in " + c + " (the second shade).";
    t.result = "Each of these " + sizeWord(static_cast<int>(base.size())) + " " + baseKind
        + "s needs " + an(d) + " and no two of them can share " + an(coverKind) + ", so their " + d
        + "s are the " + d + "s of " + c + ": no other cell there can hold one. "
        + resultTold(seen);
    return t;
}

Telling wing(const StepPattern &seen, const grading::CandidateGrid &before)
{
    Telling t;
    const int pivot = cellsIn(seen, Role::Pivot).front();
    const auto pincers = cellsIn(seen, Role::Pincer);
    const int z = lowest(seen.digits) + 1;
    const std::string p = cellName(pivot), zn = num(z);
    const Mask pc = before.cand[pivot], a = before.cand[pincers[0]], b = before.cand[pincers[1]];
    t.look = "Look at " + p
        + ", the pivot, and the two cells it sees with two candidates each, the"
          " pincers.";
    t.pattern = "The pivot can only be " + digitOr(pc) + "; the pincers are " + digitOr(a) + " ("
        + cellName(pincers[0]) + ") and " + digitOr(b) + " (" + cellName(pincers[1]) + ").";
    const Mask x = static_cast<Mask>(a & ~digitBit(z)), y = static_cast<Mask>(b & ~digitBit(z));
    const bool xyz = seen.technique == Technique::XYZWing;
    t.result = "If the pivot is " + digitOr(x) + ", the first pincer is " + zn + "; if it is "
        + digitOr(y) + ", the second is " + zn
        + (xyz ? "; else the pivot is " + zn + " itself" : "") + ". So "
        + (xyz ? "the pivot or a pincer" : "a pincer") + " holds " + an(zn)
        + ", and no cell that sees " + (xyz ? "all three" : "both") + " can. " + resultTold(seen);
    return t;
}

Telling colouring(const StepPattern &seen, const grading::CandidateGrid &before)
{
    Telling t;
    const Mask m = seen.digits;
    const std::string d = num(lowest(m) + 1);
    const auto a = cellsIn(seen, Role::GroupA), b = cellsIn(seen, Role::GroupB);
    t.look = "Follow the " + d
        + "s through the rows, columns and boxes where they have only two"
          " places left (the cells framed).";
    t.pattern = "Joined by those pairs (the lines), the " + d
        + "s fall into two groups that take turns: the first group and the second, marked "
          "apart. Either every "
        + d + " of the first group is right or every one of the second.";
    if (seen.falseColour >= 0) {
        const auto clash = unitsIn(seen, Role::Look);
        t.result = std::string("But the ") + (seen.falseColour == 0 ? "first" : "second")
            + " group has two " + d + "s in "
            + (clash.empty() ? "one unit" : unitName(clash.front()))
            + ", shaded, which can hold only one, so that group holds none. " + resultTold(seen);
        return t;
    }
    // A cell the step removes from, and the cells of each group it sees.
    const int x = seen.removed.front().first;
    int sa = -1, sb = -1;
    for (const int p : a)
        if (sa < 0 && units.sees[x][p])
            sa = p;
    for (const int p : b)
        if (sb < 0 && units.sees[x][p])
            sb = p;
    t.result = "A cell that sees a " + d + " of each group can hold no " + d
        + ", whichever group is right: " + cellName(x) + " sees " + cellName(sa) + " and "
        + cellName(sb) + ". " + resultTold(seen);
    (void)before;
    return t;
}

std::vector<const Candidate *> nodesOf(const StepPattern &seen)
{
    std::vector<const Candidate *> nodes;
    for (const auto &c : seen.candidates)
        if (c.role == Role::Node)
            nodes.push_back(&c);
    std::sort(nodes.begin(), nodes.end(),
        [](const Candidate *x, const Candidate *y) { return x->order < y->order; });
    return nodes;
}

// The unit two cells share, the row first.
std::string linkUnit(int a, int b) { return unitName(sharedUnit(a, b)); }

Telling xChain(const StepPattern &seen)
{
    Telling t;
    const auto nodes = nodesOf(seen);
    const std::string d = num(nodes.front()->digit);
    const std::string start = cellName(nodes.front()->cell);
    const bool proves = seen.placedCell >= 0;
    t.look = "Follow the " + d + "s from " + start + ", numbered 1.";
    t.pattern = "The numbered " + d
        + "s form a chain: a solid line joins the only two places of"
          " the "
        + d + " in a row, column or box, a dashed line two " + d + "s that see each other.";
    t.reason.push_back({ "If " + start + " (1) is not " + an(d) + ", ", 1 });
    for (std::size_t k = 1; k < nodes.size(); ++k) {
        const int from = nodes[k - 1]->cell, to = nodes[k]->cell;
        const std::string n = num(static_cast<int>(k + 1));
        std::string text = k % 2 == 1
            ? n + " is (the only other place in " + linkUnit(from, to) + ")"
            : n + ", which sees it, is not";
        text += k + 1 < nodes.size() ? "; " : ". ";
        t.reason.push_back({ text, static_cast<int>(k + 1) });
    }
    if (proves) {
        t.reason.push_back({ "Then " + start + " would be the " + d + " of "
                + linkUnit(nodes.back()->cell, nodes.front()->cell) + " after all. ",
            -1 });
        t.result = "So " + start + " holds the " + d + ": " + placementTold(seen);
        return t;
    }
    const std::string last = num(static_cast<int>(nodes.size()));
    t.result = "So 1 or " + last + " holds the " + d + ", and no cell that sees both can. "
        + resultTold(seen);
    return t;
}

Telling xyChain(const StepPattern &seen, const grading::CandidateGrid &before)
{
    Telling t;
    const auto nodes = nodesOf(seen);
    const int a = nodes.front()->digit;
    const int s = nodes.front()->cell;
    const std::string start = cellName(s), d = num(a);
    const bool proves = seen.placedCell >= 0;
    t.look = "Look at " + start + ", which can only be " + digitOr(before.cand[s])
        + ", and follow the cells with two candidates from it.";
    t.pattern
        = "The chain's candidates are numbered in order: a solid line joins the two"
          " candidates of a cell, a dashed line the same digit in two cells that see each other.";
    t.reason.push_back({ "If " + start + " is not " + d + ", it is " + num(nodes[1]->digit), 2 });
    for (std::size_t k = 3; k < nodes.size(); k += 2)
        t.reason.push_back({ (k + 2 < nodes.size() ? ", so " : ", and so ")
                + cellName(nodes[k]->cell) + " is " + num(nodes[k]->digit),
            static_cast<int>(k + 1) });
    if (proves) {
        t.reason.push_back({ ". That cell sees " + start + ", which then cannot be "
                + num(nodes[1]->digit) + " after all. ",
            -1 });
        t.result = "So " + start + " is " + an(d) + ": " + placementTold(seen);
        return t;
    }
    t.reason.back().text += ". ";
    t.result = "So one of the two ends, " + start + " and " + cellName(nodes.back()->cell)
        + ", holds " + an(d) + ", and no cell that sees both can. " + resultTold(seen);
    return t;
}

// Skyscraper and two-string kite: two strong links of one digit, one end of each seeing the
// other's; the chain y1=x1-x2=y2 in its four nodes.
Telling twoStrongLinks(const StepPattern &seen)
{
    Telling t;
    const auto nodes = nodesOf(seen);
    const auto lines = unitsIn(seen, Role::Base);
    const std::string d = num(nodes.front()->digit);
    const int y1 = nodes[0]->cell, x1 = nodes[1]->cell, x2 = nodes[2]->cell, y2 = nodes[3]->cell;
    const bool kite = seen.technique == Technique::TwoStringKite;
    t.look = "Look at the " + d + "s in " + unitName(lines[0]) + " and " + unitName(lines[1])
        + ", shaded: each has only two places left for " + an(d) + ".";
    t.pattern = "In " + unitName(lines[0]) + " and " + unitName(lines[1]) + " the " + d
        + " has two places each. One place of each, " + cellName(x1) + " (2) and " + cellName(x2)
        + " (3), "
        + (kite ? "share " + linkUnit(x1, x2) + ", where both strings meet"
                : "stand in " + linkUnit(x1, x2) + ", the skyscraper's floor")
        + "; the other two, " + cellName(y1) + " (1) and " + cellName(y2)
        + " (4), are its ends. A solid line joins the two places of a unit, a dashed line two " + d
        + "s that see each other.";
    t.reason.push_back(
        { "If 1 is not " + an(d) + ", 2 is (the only other place in " + unitName(lines[0]) + "); ",
            2 });
    t.reason.push_back({ "3, which sees it, is not; ", 3 });
    t.reason.push_back({ "so 4 is (the only other place in " + unitName(lines[1]) + "). ", 4 });
    t.result = "So 1 or 4 holds the " + d + ", and no cell that sees both can. " + resultTold(seen);
    return t;
}

Telling emptyRectangle(const StepPattern &seen)
{
    Telling t;
    const auto nodes = nodesOf(seen);
    const int box = unitsIn(seen, Role::Base).front(), link = unitsIn(seen, Role::Cover).front();
    const auto cross = unitsIn(seen, Role::Look);
    const std::string d = num(nodes.front()->digit);
    const int far = nodes[0]->cell, near = nodes[1]->cell;
    const int target = seen.removed.front().first;
    t.look
        = "Look at the " + d + "s of " + unitName(box) + " and of " + unitName(link) + ", shaded.";
    t.pattern = "In " + unitName(box) + " every " + d + " left, ringed, lies on "
        + unitName(cross[0]) + " or " + unitName(cross[1]) + ", a cross through the box; in "
        + unitName(link) + " the " + d + " has only two places, " + cellName(far) + " (1) and "
        + cellName(near) + " (2), the second on the cross's " + kindOf(cross[0]) + ".";
    t.reason.push_back({ "If " + cellName(target) + " held " + an(d) + ", the box's " + d + "s on "
            + unitName(cross[1]) + " would go, and so would 1, which it sees; ",
        1 });
    t.reason.push_back(
        { "then 2 would be the " + d + " of " + unitName(link) + ", and the box's " + d + "s on "
                + unitName(cross[0]) + " would go as well, leaving the box without " + an(d) + ". ",
            2 });
    t.result = resultTold(seen);
    return t;
}

Telling finnedFish(const StepPattern &seen)
{
    Telling t;
    const auto base = unitsIn(seen, Role::Base), cover = unitsIn(seen, Role::Cover);
    const std::string d = num(lowest(seen.digits) + 1), b = linesName(base), c = linesName(cover);
    const std::string baseKind = kindOf(base.front()), coverKind = kindOf(cover.front());
    std::vector<int> fins;
    for (const auto &x : seen.candidates)
        if (x.role == Role::Fin)
            fins.push_back(x.cell);
    const int box = units.of[fins.front()][2];
    const bool sashimi = seen.technique == Technique::SashimiXWing
        || seen.technique == Technique::SashimiSwordfish;
    t.look = "Look at the " + d + "s in " + b + ", shaded.";
    t.pattern = "In " + b + " the " + d + ", ringed, can only go in " + c
        + " (the second shade), but for " + (fins.size() == 1 ? "one place" : "a few places")
        + " in " + unitName(box) + ", framed with dots: the fin" + (fins.size() == 1 ? "" : "s")
        + "." + (sashimi ? " One " + baseKind + " has a single place left on " + c + "." : "");
    t.reason.push_back({ "If no fin holds the " + d + ", the " + baseKind + "s make a fish: their "
            + d + "s are the " + d + "s of " + c + ", and no other cell there holds one. ",
        -1 });
    t.reason.push_back(
        { "If a fin holds it, no other cell of " + unitName(box) + " can. Either way, a cell of "
                + c + " inside " + unitName(box) + " and off " + b + " cannot hold " + an(d) + ". ",
            -1 });
    (void)coverKind;
    t.result = resultTold(seen);
    return t;
}

// The one solution the puzzle has is what a uniqueness step relies on; the hint says so.
constexpr std::string_view OneSolution
    = " This relies on the puzzle having exactly one solution, as every puzzle here has.";

Telling rectangle(const StepPattern &seen, const grading::CandidateGrid &before)
{
    Telling t;
    const auto &cells = seen.cells;
    const std::string pair = digitOr(seen.digits);
    std::vector<int> plain, extra;
    for (const int p : cells)
        (before.cand[p] == seen.digits ? plain : extra).push_back(p);
    t.look = "Look at " + cellList(cells)
        + ", the corners of a rectangle on two rows, two "
          "columns and two boxes.";
    t.pattern = "The corners, " + cellList(cells) + ", can each be " + pair + "; " + cellList(plain)
        + (plain.size() == 1 ? " holds" : " hold") + " nothing else.";
    const std::string deadly = "If the corners held only " + pair
        + ", the two digits could swap places around the rectangle and the puzzle would have "
          "two solutions.";
    t.reason.push_back({ deadly + std::string(OneSolution) + " ", -1 });
    switch (seen.technique) {
    case Technique::UniqueRectangle1:
        t.reason.push_back(
            { "So " + cellName(extra.front()) + " cannot be " + digitOr(seen.digits) + ". ", -1 });
        break;
    case Technique::UniqueRectangle2: {
        const Mask more = static_cast<Mask>(before.cand[extra.front()] & ~seen.digits);
        t.reason.push_back({ "So " + cellName(extra[0]) + " or " + cellName(extra[1])
                + " holds their third digit, " + digitOr(more)
                + ", and no cell that sees both can. ",
            -1 });
        break;
    }
    default: {
        const int u = unitsIn(seen, Role::Look).front();
        const int a = seen.links.front().from.digit;
        const Mask b = static_cast<Mask>(seen.digits & ~digitBit(a));
        t.reason.push_back(
            { "In " + unitName(u) + " the " + num(a) + " can only go in " + cellName(extra[0])
                    + " or " + cellName(extra[1]) + ", so one of them is " + an(num(a))
                    + "; if the other were " + digitOr(b) + ", the four corners would hold only "
                    + digitOr(seen.digits) + ". So neither can be " + digitOr(b) + ". ",
                -1 });
        break;
    }
    }
    t.result = resultTold(seen);
    return t;
}

Telling bug(const StepPattern &seen)
{
    Telling t;
    const int cell = seen.cells.front(), d = lowest(seen.digits) + 1;
    t.look = "Look at " + cellName(cell)
        + ": every other open cell has only two candidates left, and it has three.";
    t.pattern = "Each digit has exactly two places in every row, column and box, but the " + num(d)
        + ", which has three in the units of " + cellName(cell) + ", shaded.";
    t.reason.push_back({ "Without the " + num(d) + " of " + cellName(cell)
            + ", the two-candidate cells would pair up so that every digit could take either "
              "place, and the puzzle would have two solutions."
            + std::string(OneSolution) + " ",
        -1 });
    t.result = "So " + cellName(cell) + " holds the " + num(d) + ": " + placementTold(seen);
    return t;
}

Telling wWing(const StepPattern &seen)
{
    Telling t;
    const auto nodes = nodesOf(seen);
    const int p = nodes[0]->cell, np = nodes[2]->cell, nq = nodes[3]->cell, q = nodes[5]->cell;
    const std::string x = num(nodes[1]->digit), y = num(nodes[0]->digit);
    const int link = unitsIn(seen, Role::Look).front();
    t.look = "Look at " + cellName(p) + " and " + cellName(q) + ", which can only be " + x + " or "
        + y + ", and at the " + x + "s of " + unitName(link) + ", shaded.";
    t.pattern = "In " + unitName(link) + " the " + x + " has only two places, " + cellName(np)
        + ", which sees " + cellName(p) + ", and " + cellName(nq) + ", which sees " + cellName(q)
        + ". The chain's candidates are numbered in order.";
    t.reason.push_back({ "If " + cellName(p) + " is not " + an(y) + ", it is " + an(x) + "; ", 2 });
    t.reason.push_back(
        { cellName(np) + ", which sees it, is not " + an(x) + ", so " + cellName(nq) + " is; ",
            4 });
    t.reason.push_back(
        { "then " + cellName(q) + " is not " + an(x) + ", so it is " + an(y) + ". ", 6 });
    t.result = "So " + cellName(p) + " or " + cellName(q) + " holds the " + y
        + ", and no cell that sees both can. " + resultTold(seen);
    return t;
}

// A chain's node: one candidate, or a digit's places in a box on one line (a group).
struct Stop
{
    std::vector<int> cells;
    int digit = 0;
};

std::vector<Stop> stopsOf(const StepPattern &seen)
{
    std::vector<Stop> stops;
    for (const auto &c : seen.candidates)
        if (c.role == Role::Node) {
            if (static_cast<int>(stops.size()) <= c.order)
                stops.resize(static_cast<std::size_t>(c.order) + 1);
            stops[static_cast<std::size_t>(c.order)].cells.push_back(c.cell);
            stops[static_cast<std::size_t>(c.order)].digit = c.digit;
        }
    return stops;
}

// "the 5 in row 3, column 4", "the 5s of box 2 in row 3".
std::string stopName(const Stop &s)
{
    const std::string d = num(s.digit);
    if (s.cells.size() == 1)
        return "the " + d + " in " + cellName(s.cells.front());
    const int a = s.cells[0], b = s.cells[1];
    const int line = a / 9 == b / 9 ? units.of[a][0] : units.of[a][1];
    return "the " + d + "s of " + unitName(units.of[a][2]) + " in " + unitName(line);
}

// Why one of two linked nodes holds: the two digits of a cell, or a digit's two places.
std::string strongWhy(const grading::CandidateGrid &before, const Stop &a, const Stop &b)
{
    grading::ChainNode x, y;
    for (const int p : a.cells)
        x.cells.add(p);
    for (const int p : b.cells)
        y.cells.add(p);
    x.digit = a.digit;
    y.digit = b.digit;
    x.cell = a.cells.size() == 1 ? a.cells.front() : -1;
    y.cell = b.cells.size() == 1 ? b.cells.front() : -1;
    const int u = grading::strongUnit(before, x, y);
    if (u < 0)
        return "its cell's only other candidate";
    return "the " + num(a.digit) + "'s only other place" + (b.cells.size() > 1 ? "s" : "") + " in "
        + unitName(u);
}

// Alternating inference chains and nice loops: each strong link told with its reason.
Telling aic(const StepPattern &seen, const grading::CandidateGrid &before)
{
    Telling t;
    const auto stops = stopsOf(seen);
    const bool places = seen.placedCell >= 0;
    const bool loop = !places && seen.links.size() == stops.size();
    const bool groups
        = std::any_of(stops.begin(), stops.end(), [](const Stop &s) { return s.cells.size() > 1; });
    t.look = "Follow the chain from 1, " + stopName(stops.front()) + ": its candidates are "
        + "numbered in order.";
    t.pattern = "A solid line joins two candidates of which one must hold: a digit's only two "
                "places in a row, column or box, or a cell's only two candidates. A dashed line "
                "joins two that cannot both hold."
        + std::string(groups ? " A node of several cells is a digit's places in a box on one "
                               "line: it holds when any of them does."
                             : "");
    t.reason.push_back({ "If 1, " + stopName(stops.front()) + ", does not hold, ", 1 });
    for (std::size_t k = 1; k < stops.size(); ++k) {
        const std::string n = num(static_cast<int>(k + 1));
        std::string text = k % 2 == 1 ? n + ", " + stopName(stops[k]) + ", does ("
                + strongWhy(before, stops[k - 1], stops[k]) + ")"
                                      : n + ", " + stopName(stops[k]) + ", cannot";
        text += k + 1 < stops.size() ? "; " : ". ";
        t.reason.push_back({ text, static_cast<int>(k + 1) });
    }
    const std::string last = num(static_cast<int>(stops.size()));
    if (places) {
        t.reason.push_back(
            { "Then 1 holds after all (" + strongWhy(before, stops.back(), stops.front())
                    + "): assuming it fails proves it. ",
                -1 });
        t.result = "So " + stopName(stops.front()) + " holds. " + placementTold(seen);
        return t;
    }
    if (loop) {
        t.reason.push_back({ "And " + last
                + " and 1 cannot both hold, so the chain closes into a "
                  "loop: of each dashed pair, exactly one holds. ",
            -1 });
        t.result = "A candidate that would rule out both ends of a dashed line cannot hold. "
            + resultTold(seen);
        return t;
    }
    t.result = "So 1 or " + last + " holds, and no candidate that would rule out both can. "
        + resultTold(seen);
    return t;
}

// One almost-locked set as told: "row 3, columns 1 and 4 (two cells, with 1, 4 and 7)".
std::string setTold(const StepPattern &seen, Role role)
{
    const auto cells = cellsIn(seen, role);
    Mask digits = 0;
    for (const auto &c : seen.candidates)
        if (c.role == role)
            digits = static_cast<Mask>(digits | digitBit(c.digit));
    return cellList(cells) + " ("
        + (cells.size() == 1 ? "one cell" : sizeWord(static_cast<int>(cells.size())) + " cells")
        + " with " + digitList(digits) + ")";
}

Telling als(const StepPattern &seen)
{
    Telling t;
    const bool wing = seen.technique == Technique::AlsXYWing;
    const std::string z = digitOr(seen.digits);
    const std::string x = num(seen.links[0].from.digit);
    t.look = wing ? "Look at the three groups of cells marked, each inside a shaded unit: the "
                    "pivot group and two others."
                  : "Look at the two groups of cells marked, each inside a shaded unit.";
    t.pattern = "Each group holds one digit more than it has cells: "
        + (wing ? "the pivot, " + setTold(seen, Role::Pivot) + "; " : std::string()) + "the first, "
        + setTold(seen, Role::GroupA) + "; the second, " + setTold(seen, Role::GroupB)
        + ". Should such a group lose one of its digits, every other one of them must be in it.";
    if (!wing) {
        t.reason.push_back({ "Every " + x + " of the first group sees every " + x
                + " of the second (the dashed line), so one group at least has no " + x
                + ", and then holds all its other digits. ",
            -1 });
    } else {
        const std::string y = num(seen.links[1].from.digit);
        t.reason.push_back(
            { "Every " + x + " of the first group sees every " + x + " of the pivot, and every " + y
                    + " of the second every " + y + " of the pivot (the dashed lines). ",
                -1 });
        t.reason.push_back({ "If the first group has no " + x
                + ", it holds all its other digits. "
                  "If it has one, the pivot has none, so the pivot holds its "
                + y + "; then the second group has no " + y + " and holds all its other digits. ",
            -1 });
    }
    t.result = "Either way the first or the second group holds " + an(z)
        + ", so no cell that sees every " + z + " of both can hold one. " + resultTold(seen);
    return t;
}

// A forced digit's words: its cell with one digit left, or the last place of its digit in a
// unit, as the assumption would leave them.
std::string forcedTold(int k, int cell, int digit, int unit)
{
    std::string text = num(k) + ". ";
    if (unit < 0)
        return text + capitalised(cellName(cell)) + " would have only the " + num(digit) + " left";
    return text + "The " + num(digit) + " of " + unitName(unit) + " would have only "
        + cellName(cell) + " left";
}

// Forcing chains and nets: one assumption that leads to a contradiction, or several (a cell's
// candidates, a digit's places in a unit) that all lead to the same result.
Telling forcing(const StepPattern &seen, const grading::CandidateGrid &before)
{
    Telling t;
    struct Branch
    {
        int cell = 0, digit = 0;
        std::vector<std::pair<const Candidate *, int>> forced; // with its reason
    };
    std::vector<Branch> branches;
    std::size_t reason = 0;
    for (const auto &c : seen.candidates) {
        if (c.role == Role::Assumed)
            branches.push_back({ c.cell, c.digit, {} });
        else if (c.role == Role::Forced && !branches.empty())
            branches.back().forced.emplace_back(
                &c, reason < seen.reasons.size() ? seen.reasons[reason++] : -1);
    }
    const bool net = seen.technique == Technique::ForcingNet;
    const std::string how = net
        ? "every single it leaves"
        : "the chain of singles it leaves: a cell's only other candidate, or a digit's only other "
          "place in a row, column or box";
    int k = 0;
    auto tellBranch = [&](const Branch &b, bool assumedHolds) {
        t.reason.push_back({ "If " + cellName(b.cell) + (assumedHolds ? " were " : " were not ")
                + an(num(b.digit)) + ": ",
            k });
        for (const auto &[c, unit] : b.forced) {
            ++k;
            t.reason.push_back({ forcedTold(k, c->cell, c->digit, unit) + ". ", k });
        }
    };
    const auto empty = cellsIn(seen, Role::Empty);
    const auto emptyUnits = unitsIn(seen, Role::Empty);
    if (branches.size() == 1 && (!empty.empty() || !emptyUnits.empty())) {
        const Branch &b = branches.front();
        const bool holds = seen.placedCell < 0; // the assumption held; it is removed
        const std::string cell = cellName(b.cell), d = num(b.digit);
        t.look = "Look at " + cell + ", framed, which can be " + digitOr(before.cand[b.cell])
            + ". Suppose it were " + (holds ? "" : "not ") + an(d) + ".";
        t.pattern = "Follow " + how
            + ": the digits it forces are numbered in order, faint, until a cell or a unit is left "
              "without a digit, in red.";
        tellBranch(b, holds);
        t.reason.push_back({ "Then "
                + (!empty.empty() ? cellName(empty.front()) + " would have no digit left"
                                  : "the " + num(seen.emptyDigit) + " would have no place left in "
                            + unitName(emptyUnits.front()))
                + ", in red. ",
            -1 });
        t.result = "So " + cell + (holds ? " cannot be " : " must be ") + an(d) + ". "
            + resultTold(seen);
        return t;
    }
    const auto look = unitsIn(seen, Role::Look);
    const int tc = seen.placedCell >= 0 ? seen.placedCell : seen.removed.front().first;
    const int td
        = seen.placedCell >= 0 ? seen.placedDigit : lowest(seen.removed.front().second) + 1;
    const std::string target = seen.placedCell >= 0 ? cellName(tc) + " would be " + an(num(td))
                                                    : cellName(tc) + " could not be " + an(num(td));
    if (look.empty()) {
        const int cell = branches.front().cell;
        t.look = "Look at " + cellName(cell) + ", framed, which can only be "
            + digitOr(before.cand[cell]) + ": try each.";
    } else {
        std::vector<int> cells;
        for (const auto &b : branches)
            cells.push_back(b.cell);
        t.look = "Look at the " + num(branches.front().digit) + "s of " + unitName(look.front())
            + ", shaded: it can only go in " + cellsWithin(look.front(), cells) + ". Try each.";
    }
    t.pattern = "Follow what each would force, " + how
        + ". The digits forced are numbered in order, faint; every way leads to the same end, "
          "the candidate ringed.";
    for (const auto &b : branches) {
        tellBranch(b, true);
        t.reason.back().text += "So " + target + ". ";
    }
    t.result = "Whichever it is, " + cellName(tc) + (seen.placedCell >= 0 ? " is " : " is not ")
        + an(num(td)) + ". " + resultTold(seen);
    return t;
}

} // namespace

Telling step(const StepPattern &seen, const grading::CandidateGrid &before, Mask ruledOut,
    OthersLack why, bool brief)
{
    using T = Technique;
    Telling t;
    switch (seen.technique) {
    case T::HiddenSingle:
    case T::NakedSingle:
        t = singles(seen, ruledOut, why, brief);
        break;
    case T::Pointing:
    case T::Claiming:
        t = locked(seen);
        break;
    case T::NakedPair:
    case T::NakedTriple:
    case T::NakedQuad:
    case T::HiddenPair:
    case T::HiddenTriple:
    case T::HiddenQuad:
        t = subset(seen, before);
        break;
    case T::XWing:
    case T::Swordfish:
    case T::Jellyfish:
        t = fish(seen);
        break;
    case T::Skyscraper:
    case T::TwoStringKite:
        t = twoStrongLinks(seen);
        break;
    case T::EmptyRectangle:
        t = emptyRectangle(seen);
        break;
    case T::XYWing:
    case T::XYZWing:
        t = wing(seen, before);
        break;
    case T::WWing:
        t = wWing(seen);
        break;
    case T::FinnedXWing:
    case T::SashimiXWing:
    case T::FinnedSwordfish:
    case T::SashimiSwordfish:
        t = finnedFish(seen);
        break;
    case T::UniqueRectangle1:
    case T::UniqueRectangle2:
    case T::UniqueRectangle4:
        t = rectangle(seen, before);
        break;
    case T::BugPlusOne:
        t = bug(seen);
        break;
    case T::SimpleColouring:
        t = colouring(seen, before);
        break;
    case T::XChain:
        t = xChain(seen);
        break;
    case T::XYChain:
        t = xyChain(seen, before);
        break;
    case T::Aic:
    case T::NiceLoop:
    case T::GroupedAic:
        t = aic(seen, before);
        break;
    case T::AlsXZ:
    case T::AlsXYWing:
        t = als(seen);
        break;
    case T::ContradictionChain:
    case T::CellForcingChain:
    case T::UnitForcingChain:
    case T::ForcingNet:
        t = forcing(seen, before);
        break;
    default:
        t.look = "Look at the cells shaded and framed.";
        t.pattern = "The pattern's candidates are marked.";
        t.result = resultTold(seen);
        break;
    }
    t.name = techniqueTitle(seen.technique);
    return t;
}

Telling contradiction(const Contradiction &c)
{
    Telling t;
    const std::string cell = cellName(c.cell), d = num(c.digit);
    t.name = techniqueTitle(Technique::Trial);
    t.look = "Look at " + cell + ", framed, which can only be " + digitOr(c.candidates)
        + ". Suppose it were " + an(d) + ".";
    t.pattern = "Follow what " + an(d) + " in " + cell
        + " would force: the digits it forces are numbered in order, faint, until a cell or a "
          "unit is left without a digit, in red.";
    t.reason.push_back({ "If " + cell + " were " + an(d) + ": ", 0 });
    int k = 0;
    for (const auto &s : c.steps) {
        ++k;
        std::string text = num(k) + ". ";
        if (s.technique)
            text += techniqueTitle(*s.technique) + " would give " + s.notation;
        else if (s.unit < 0)
            text
                += capitalised(cellName(s.cell)) + " would have only the " + num(s.digit) + " left";
        else
            text += "The " + num(s.digit) + " of " + unitName(s.unit) + " would have only "
                + cellName(s.cell) + " left";
        t.reason.push_back({ text + ". ", k });
    }
    t.reason.push_back({ "Then "
            + (c.emptyCell >= 0 ? cellName(c.emptyCell) + " would have no digit left"
                                : "the " + num(c.digitLost) + " would have no place left in "
                        + unitName(c.emptyUnit))
            + ", in red. ",
        -1 });
    t.result = "So " + cell + " cannot be " + an(d) + ". Remove the " + d + " from " + cell + ".";
    return t;
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
