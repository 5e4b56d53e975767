#pragma once

// "n items with n places between them", the search behind subsets and fish. The items are up to
// nine: a unit's cells (their places the digits they may hold), a unit's digits (their places
// the cells that may hold them), or a digit's lines (the crossing lines it may stand on).

#include "puzzles/grading/candidates.h"

namespace zov::puzzles::grading {

struct LockedSets
{
    std::array<Mask, 9> places {};
    std::array<int, 9> ids {};
    int count = 0;

    // Only items with two to n places can be part of a set of n.
    void addWithin(int n, int id, Mask where)
    {
        if (bits(where) < 2 || bits(where) > n)
            return;
        places[static_cast<std::size_t>(count)] = where;
        ids[static_cast<std::size_t>(count++)] = id;
    }
    // The ids of the chosen items (bit i for the i-th item added), one bit each.
    Mask idBits(Mask chosen) const
    {
        Mask m = 0;
        for (unsigned s = chosen; s; s &= s - 1)
            m = static_cast<Mask>(m | (1u << ids[static_cast<std::size_t>(lowest(s))]));
        return m;
    }
    bool chose(Mask chosen, int id) const
    {
        bool in = false;
        for (unsigned s = chosen; s; s &= s - 1)
            in |= ids[static_cast<std::size_t>(lowest(s))] == id;
        return in;
    }
    // Hands each choice of n items whose places number n together to `use(places, chosen)`,
    // in ascending order of the choice, until it returns true; true then.
    template <class Use> bool eachSet(int n, Use use) const
    {
        if (count < n)
            return false;
        for (const Mask pick : units.masks[static_cast<std::size_t>(n)]) {
            if (pick >> count)
                break; // the masks ascend, so no later one fits either
            Mask all = 0;
            for (unsigned s = pick; s; s &= s - 1)
                all = static_cast<Mask>(all | places[static_cast<std::size_t>(lowest(s))]);
            if (bits(all) == n && use(all, pick))
                return true;
        }
        return false;
    }
};

} // namespace zov::puzzles::grading
