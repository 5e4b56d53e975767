#include "puzzles/hints/advancedwords.h"

#include <algorithm>
#include <map>

namespace zov::puzzles::hints::words {
namespace {

using grading::Candidate;
using grading::Role;
using grading::StepPattern;
using T = Technique;

std::string num(int n) { return std::to_string(n); }

std::string capitalisedCell(int cell)
{
    std::string s = cellName(cell);
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z')
        s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s;
}

std::vector<int> cellsWith(const StepPattern &s, Role role)
{
    std::vector<int> cells;
    for (const auto &c : s.candidates)
        if (c.role == role && std::find(cells.begin(), cells.end(), c.cell) == cells.end())
            cells.push_back(c.cell);
    return cells;
}

std::vector<int> unitsWith(const StepPattern &s, Role role)
{
    std::vector<int> list;
    for (const auto &u : s.unitRoles)
        if (u.role == role)
            list.push_back(u.unit);
    return list;
}

std::string unitsText(const std::vector<int> &list)
{
    std::string text;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i)
            text += i + 1 == list.size() ? " and " : ", ";
        text += unitName(list[i]);
    }
    return text;
}

std::string removals(const StepPattern &s)
{
    std::map<Mask, std::vector<int>> byDigits;
    std::vector<Mask> order;
    for (const auto &[p, m] : s.removed) {
        if (!byDigits.count(m))
            order.push_back(m);
        byDigits[m].push_back(p);
    }
    std::string text;
    for (const Mask m : order) {
        if (!text.empty())
            text += ' ';
        text += "Remove " + digitList(m) + " from " + cellList(byDigits[m]) + '.';
    }
    return text;
}

std::string candidateName(const Candidate &c) { return num(c.digit) + " in " + cellName(c.cell); }

// A chain told link by link: "5 in row 1, column 2 or 5 in ... ; not both ...".
std::string chainText(const StepPattern &s)
{
    std::string text;
    for (std::size_t i = 0; i < s.links.size(); ++i) {
        const auto &l = s.links[i];
        if (i)
            text += ' ';
        text += l.strong
            ? "If " + candidateName(l.from) + " is false, " + candidateName(l.to) + " is true."
            : "If " + candidateName(l.from) + " is true, " + candidateName(l.to) + " is false.";
    }
    return text;
}

Levels singleDigit(const StepPattern &s, const std::string &name, const std::string &shape)
{
    const std::string d = num(lowest(s.digits) + 1);
    const auto &c = s.cells;
    return { name + ": look at the " + d + "s in " + unitsText(s.units) + ".",
        "In " + unitsText(s.units) + " the " + d + " has only two places each. " + shape,
        "The " + d + " goes in " + cellName(c[0]) + " or " + cellName(c[1]) + ", and in "
            + cellName(c[2]) + " or " + cellName(c[3]) + ". " + capitalisedCell(c[1]) + " and "
            + cellName(c[2]) + " see each other, so they cannot both hold it: one of "
            + cellName(c[0]) + " and " + cellName(c[3]) + " holds the " + d
            + ", and no cell that sees both of them can. " + removals(s) };
}

} // namespace

Levels advanced(const StepPattern &s)
{
    const std::string d = num(lowest(s.digits) + 1);
    switch (s.technique) {
    case T::Skyscraper:
        return singleDigit(s, "Skyscraper",
            "One end of each pair stands in the same line, like the bases of two towers.");
    case T::TwoStringKite:
        return singleDigit(
            s, "Two-string kite", "One end of the row's pair and one of the column's share a box.");
    case T::EmptyRectangle: {
        const auto box = unitsWith(s, Role::Base), link = unitsWith(s, Role::Cover),
                   cross = unitsWith(s, Role::Look);
        const auto nodes = cellsWith(s, Role::Node);
        return { "Empty rectangle: look at the " + d + "s in " + unitName(box.front()) + ".",
            "In " + unitName(box.front()) + " the " + d + " can only stand on " + unitsText(cross)
                + ". Which line outside the box has only two places for it?",
            "In " + unitName(box.front()) + " the " + d + " is on " + unitsText(cross) + ". In "
                + unitName(link.front()) + " it is in " + cellName(nodes[0]) + " or "
                + cellName(nodes[1]) + ". If the removed cell held the " + d + ", "
                + cellName(nodes[1]) + " could not, so " + cellName(nodes[0])
                + " would, and the box would have no place left for it. " + removals(s) };
    }
    case T::FinnedXWing:
    case T::SashimiXWing:
    case T::FinnedSwordfish:
    case T::SashimiSwordfish: {
        const bool sashimi = s.technique == T::SashimiXWing || s.technique == T::SashimiSwordfish;
        const bool wing = s.technique == T::FinnedXWing || s.technique == T::SashimiXWing;
        const std::string name
            = std::string(sashimi ? "Sashimi " : "Finned ") + (wing ? "X-wing" : "swordfish");
        const auto base = unitsWith(s, Role::Base), cover = unitsWith(s, Role::Cover);
        const auto fins = cellsWith(s, Role::Fin);
        return { name + ": look at the " + d + "s in " + unitsText(base) + ".",
            "In " + unitsText(base) + " the " + d + " stands in " + unitsText(cover) + ", but for "
                + cellList(fins) + ".",
            "Either " + cellList(fins) + " holds the " + d + " (the fin), or the " + d + "s of "
                + unitsText(base) + " are those of " + unitsText(cover)
                + ". A cell of those lines in the fin's box loses the " + d + " either way. "
                + removals(s) };
    }
    case T::WWing: {
        const auto &c = s.cells;
        const int x = s.links.size() > 2 ? s.links[1].from.digit : 0;
        return { "W-wing: look at " + cellName(c[0]) + " and " + cellName(c[1]) + ".",
            "Both cells can only be " + digitList(static_cast<Mask>(digitBit(x) | s.digits))
                + ". Where else can the " + num(x) + " go in " + unitName(s.units.front()) + "?",
            "In " + unitName(s.units.front()) + " the " + num(x) + " is in " + cellName(c[2])
                + " or " + cellName(c[3]) + ". If " + cellName(c[0]) + " is not " + d + " it is "
                + num(x) + ", so " + cellName(c[2]) + " is not, " + cellName(c[3]) + " is, and "
                + cellName(c[1]) + " is " + d + ". One of the two is " + d
                + ", so no cell that sees both can be. " + removals(s) };
    }
    case T::UniqueRectangle1:
    case T::UniqueRectangle2:
    case T::UniqueRectangle4: {
        const std::string pair = digitList(s.digits);
        const std::string head = "Unique rectangle (this relies on the puzzle having only one "
                                 "solution): look at "
            + cellList(s.cells) + ".";
        const std::string why = "If only " + pair
            + " were left in those four cells, the two "
              "digits could swap places and the puzzle would have two "
              "solutions. ";
        std::string how;
        if (s.technique == T::UniqueRectangle1)
            how = "Three of the cells hold only " + pair
                + ", so the fourth must be something "
                  "else.";
        else if (s.technique == T::UniqueRectangle2)
            how = "Two of the cells hold only " + pair
                + ", and the other two one more digit, "
                  "the same: one of those two must hold it, so no cell that sees both can.";
        else
            how = "Two of the cells hold only " + pair + ". In " + unitName(s.units.front())
                + " one of the digits can only go in the other two cells, so one of them holds "
                  "it; neither may hold the other digit of the pair.";
        return { head,
            "Four cells on two rows, two columns and two boxes share the candidates " + pair + ".",
            why + how + ' ' + removals(s) };
    }
    case T::BugPlusOne:
        return { "BUG+1 (this relies on the puzzle having only one solution): look at "
                + cellName(s.cells.front()) + ".",
            "Every open cell but one has two candidates.",
            "Every open cell but " + cellName(s.cells.front())
                + " has two candidates, and each digit two places in each row, column and box "
                  "but one. Without the extra digit the board would have two solutions, so "
                + cellName(s.cells.front()) + " is " + d + "." };
    case T::Aic:
    case T::NiceLoop:
    case T::GroupedAic: {
        const std::string name = s.technique == T::Aic ? "Alternating chain"
            : s.technique == T::NiceLoop               ? "Nice loop"
                                                       : "Grouped alternating chain";
        const bool places = s.placedCell >= 0;
        const auto nodes = cellsWith(s, Role::Node);
        return { name + ": start at " + cellName(nodes.front()) + ".",
            "Follow the links from " + cellName(nodes.front())
                + ", alternately \"one of the two is true\" and \"not both are true\".",
            chainText(s) + ' '
                + (places ? "Assuming it false makes it true, so " + cellName(s.placedCell) + " is "
                            + num(s.placedDigit) + "."
                          : "One end of the chain is true, so what sees both ends goes. "
                            + removals(s)) };
    }
    case T::AlsXZ:
    case T::AlsXYWing: {
        const auto a = cellsWith(s, Role::GroupA), b = cellsWith(s, Role::GroupB),
                   c = cellsWith(s, Role::Pivot);
        const std::string name = s.technique == T::AlsXZ ? "ALS-XZ" : "ALS-XY-wing";
        std::string sets = cellList(a) + " and " + cellList(b);
        if (!c.empty())
            sets = cellList(c) + ", with " + sets;
        return { name + ": look at " + sets + ".",
            "Each group of cells holds one candidate more than it has cells (almost locked).",
            "Each group has one digit more than cells. "
                + std::string(c.empty()
                        ? "Where they share a digit that cannot be in both, one of the groups "
                          "keeps all its other digits, so "
                        : "The middle group loses at most one digit, so one of the outer groups "
                          "keeps all its other digits, and ")
                + "the digits both groups hold go in one of them: a cell that sees all their "
                  "places of such a digit cannot hold it. "
                + removals(s) };
    }
    case T::ContradictionChain:
    case T::CellForcingChain:
    case T::UnitForcingChain:
    case T::ForcingNet: {
        std::vector<Candidate> assumed;
        for (const auto &c : s.candidates)
            if (c.role == Role::Assumed)
                assumed.push_back(c);
        std::string names;
        for (std::size_t i = 0; i < assumed.size(); ++i)
            names
                += (i ? (i + 1 == assumed.size() ? " or " : ", ") : "") + candidateName(assumed[i]);
        const std::string name = s.technique == T::ContradictionChain ? "Contradiction chain"
            : s.technique == T::CellForcingChain                      ? "Cell forcing chain"
            : s.technique == T::UnitForcingChain                      ? "Unit forcing chain"
                                                                      : "Forcing net";
        const std::string outcome = s.placedCell >= 0
            ? cellName(s.placedCell) + " is " + num(s.placedDigit) + "."
            : removals(s);
        if (assumed.size() <= 1)
            return { name + ": try " + names + ".", "Follow what " + names + " forces.",
                "Following what " + names
                    + " forces, or what its absence forces, leads to a "
                      "cell or a unit with no place left: that cannot be. "
                    + outcome };
        return { name + ": try each of " + names + ".",
            "One of " + names + " is true. Follow what each forces.",
            "One of " + names + " is true, and each leads to the same: " + outcome };
    }
    default:
        return {};
    }
}

} // namespace zov::puzzles::hints::words
