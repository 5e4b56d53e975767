#include "cli/commands.h"

#include "cli/tool.h"

#include <random>

// The commands that grade puzzles: rating them, and generating them by grade.
namespace zov::cli {
namespace detail {

// Prints "WHERE GRADE NAME technique=count..." for each puzzle; returns how many have no grade.
int Tool::printRatings(const std::vector<std::string> &where, const std::vector<Grid> &grids)
{
    const auto ratings = puzzles::rateAll(grids);
    int ungraded = 0;
    for (std::size_t k = 0; k < ratings.size(); ++k) {
        io.out << where[k] << ' ' << puzzles::describe(ratings[k]) << '\n';
        ungraded += ratings[k].grade == puzzles::InvalidGrade;
    }
    return ungraded;
}

int Tool::ungradedResult(int ungraded)
{
    if (ungraded)
        return fail(
            std::to_string(ungraded) + " puzzle(s) have no grade: no solution or more than one");
    return 0;
}

// A file needs no library: its puzzles are rated where they stand, by line number.
int Tool::rateFile()
{
    const auto parsed = readPuzzles(req.file, true);
    if (!parsed)
        return 1;
    std::vector<std::string> where;
    for (const auto line : parsed->lines)
        where.push_back(std::to_string(line));
    const int ungraded = printRatings(where, parsed->puzzles);
    if (!parsed->problems.empty())
        return fail(shownName(req.file) + ": " + std::to_string(parsed->problems.size())
            + " malformed puzzle(s)");
    return ungradedResult(ungraded);
}

int Tool::rate(store::PuzzleStore &store)
{
    std::vector<std::string> where;
    std::vector<Grid> grids;
    if (req.number) {
        const auto grid = puzzleGrid(store, req.number);
        if (!grid)
            return 1;
        where.push_back(std::to_string(req.number));
        grids.push_back(*grid);
    } else if (const int walked = forEachPuzzle(store,
                   [&](const auto &p, const Grid &grid) {
                       where.push_back(std::to_string(p.gameNo));
                       grids.push_back(grid);
                   });
               walked != 0) {
        printRatings(where, grids); // those read before the store failed
        return walked;
    }
    return ungradedResult(printRatings(where, grids));
}

int Tool::generate(store::PuzzleStore &store)
{
    std::mt19937_64 rng(req.seed ? *req.seed : std::random_device {}());
    std::vector<Grid> grids;
    if (!req.gradeFrom) {
        std::uniform_int_distribution<int> clues(22, 36);
        for (int k = 0; k < req.count; ++k)
            grids.push_back(puzzles::generate(rng, clues(rng)));
        return append(store, grids);
    }
    // Equal shares per grade, the easiest first, and within a grade the lowest score first
    // (the hardest technique needed, then the steps), so that the numbers run from easy to hard.
    const int from = *req.gradeFrom, grades = *req.gradeTo - from + 1, count = req.count;
    const auto gradeOf
        = [&](int k) { return from + static_cast<int>(long { k } * grades / count); };
    std::vector<std::pair<puzzles::Score, Grid>> band;
    for (int k = 0; k < count; ++k) {
        const int grade = gradeOf(k);
        // The rarest grade takes a few hundred grids a puzzle; this many means it cannot come.
        constexpr int Attempts = 200000;
        const auto grid = puzzles::generateGraded(rng, grade, Attempts);
        if (!grid)
            return fail("no puzzle of grade " + std::to_string(grade) + " came from "
                + std::to_string(Attempts) + " grids; nothing was stored");
        band.emplace_back(puzzles::rate(*grid).score(), *grid);
        if (k + 1 == count || gradeOf(k + 1) != grade) {
            std::stable_sort(band.begin(), band.end(),
                [](const auto &a, const auto &b) { return a.first < b.first; });
            for (const auto &entry : band)
                grids.push_back(entry.second);
            band.clear();
        }
    }
    return append(store, grids);
}

} // namespace detail

using detail::onLibrary;
using detail::Tool;

int generate(const Request &r, const Streams &s)
{
    return onLibrary(r, s, &Tool::generate, store::PuzzleStore::Emptiness::Allow);
}

int rate(const Request &r, const Streams &s)
{
    if (!r.file.empty()) {
        Tool tool { r, s };
        return tool.rateFile();
    }
    return onLibrary(r, s, &Tool::rate);
}

} // namespace zov::cli
