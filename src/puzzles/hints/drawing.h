#pragma once

// What the board shows of a hint at one of its levels, free of any widget: units shaded in two
// tints, cells framed by role, candidates marked by role (removals struck, forced digits
// numbered), and a chain's links, strong solid and weak dashed. Every mark can be told apart
// without its colour. Cells are text positions, units as puzzles/units.h numbers them.

#include "puzzles/grading/rater.h"

#include <vector>

namespace zov::puzzles::hints {

using grading::Role;

struct Drawing
{
    struct Shade
    {
        int unit = 0;
        Role role = Role::Look; // Base, Cover or Look: each its own tint
    };
    struct CellMark
    {
        int cell = 0;
        Role role = Role::Pattern; // Pivot, Pincer, Fin, Empty, ...: each its own frame
        int number = 0; // a label drawn with it (a chain's order, 1 first), 0 for none
    };
    struct CandidateMark
    {
        int cell = 0, digit = 0;
        Role role = Role::Pattern;
        int number = 0; // 1 first in a chain or a forced sequence; 0 for none
        bool faint = false; // not among the player's notes: drawn faintly, with the hint
    };
    struct Line
    {
        int fromCell = 0, fromDigit = 0, toCell = 0, toDigit = 0;
        bool strong = true; // solid; a weak link is dashed
    };
    std::vector<Shade> shades;
    std::vector<CellMark> cells;
    std::vector<CandidateMark> candidates;
    std::vector<Line> lines;

    bool empty() const
    {
        return shades.empty() && cells.empty() && candidates.empty() && lines.empty();
    }
};

} // namespace zov::puzzles::hints
