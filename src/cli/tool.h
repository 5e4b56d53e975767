#pragma once

// What the tool's commands share, private to them (librarycommands.cpp, ratings.cpp,
// explain.cpp): the request and its streams, the messages with the tool's prefix, reading puzzle
// files and writing output, and the walk over a library's puzzles.

#include "board/identity.h"
#include "cli/commands.h"
#include "cli/files.h"
#include "cli/steps.h"
#include "puzzles/grader.h"
#include "store/puzzlestore.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace zov::cli::detail {

using Grid = puzzles::Grid;

// The faults of a puzzle file listed one by one; the rest are counted.
inline constexpr std::size_t ProblemsShown = 10;

struct Tool
{
    const Request &req;
    const Streams &io;

    int fail(const std::string &message)
    {
        io.err << ToolName << ": " << message << '\n';
        return 1;
    }
    int storeFailure(const store::Error &e) { return fail(req.db + ": " + e.reason); }

    // Every problem by file and line; the puzzles only when there is none.
    std::optional<puzzles::ParsedText> readPuzzles(const std::string &file, bool all)
    {
        std::string text;
        if (const auto problem = readWhole(file, io.in, text)) {
            fail(shownName(file) + ": cannot be read: " + *problem);
            return std::nullopt;
        }
        // Random bytes would parse as thousands of faulty lines.
        if (!puzzles::looksLikeText(text)) {
            fail(shownName(file)
                + ": not a puzzle text (it holds bytes no text has); nothing "
                  "was stored");
            return std::nullopt;
        }
        auto parsed = puzzles::parsePuzzleText(text, req.format);
        const std::size_t shown = std::min(parsed.problems.size(), ProblemsShown);
        for (std::size_t k = 0; k < shown; ++k)
            io.err << shownName(file) << ':' << parsed.problems[k].line << ": "
                   << parsed.problems[k].reason << " (" << puzzles::formatName(parsed.format)
                   << " format)\n";
        if (parsed.problems.size() > shown)
            io.err << ToolName << ": " << shownName(file) << ": " << parsed.problems.size() - shown
                   << " more problem(s) not shown\n";
        if (parsed.droppedHeaders)
            io.err << ToolName << ": " << shownName(file) << ": " << parsed.droppedHeaders
                   << " header line(s) dropped: the library keeps only the digits\n";
        if (!parsed.problems.empty() && !all) {
            fail(shownName(file) + ": " + std::to_string(parsed.problems.size())
                + " malformed puzzle(s); nothing was stored");
            return std::nullopt;
        }
        return parsed;
    }

    int writeOutput(const Writer &write)
    {
        const auto problem = writeWhole(req.output, io.out, write);
        return problem ? fail((req.output == "-" ? "standard output" : req.output)
                   + ": cannot be written: " + *problem)
                       : 0;
    }

    static std::vector<Puzzle> toPuzzles(const std::vector<Grid> &grids)
    {
        std::vector<Puzzle> list;
        list.reserve(grids.size());
        for (const auto &g : grids)
            list.push_back(puzzles::toPuzzle(g));
        return list;
    }

    int create()
    {
        std::vector<Puzzle> list;
        if (!req.file.empty()) {
            const auto parsed = readPuzzles(req.file, false);
            if (!parsed)
                return 1;
            list = toPuzzles(parsed->puzzles);
        }
        if (const auto made = store::PuzzleStore::create(req.db, list); !made)
            return storeFailure(made.error());
        io.out << "created " << req.db << " with " << list.size() << " puzzle(s)\n";
        return 0;
    }

    int append(store::PuzzleStore &store, const std::vector<Grid> &grids)
    {
        const auto first = store.appendPuzzles(toPuzzles(grids));
        if (!first)
            return storeFailure(first.error());
        if (grids.empty())
            io.out << "nothing to add\n";
        else
            io.out << "added " << grids.size() << " puzzle(s) as " << *first << " to "
                   << *first + static_cast<int>(grids.size()) - 1 << '\n';
        return 0;
    }

    int importFile(store::PuzzleStore &store)
    {
        const auto parsed = readPuzzles(req.file, false);
        return parsed ? append(store, parsed->puzzles) : 1;
    }

    std::optional<Grid> puzzleGrid(store::PuzzleStore &store, int number)
    {
        const auto rows = store.puzzle(number);
        if (!rows) {
            storeFailure(rows.error());
            return std::nullopt;
        }
        if (rows->empty()) {
            fail("there is no puzzle " + std::to_string(number));
            return std::nullopt;
        }
        return puzzles::toGrid(*rows);
    }

    void printGrid(const Grid &g)
    {
        for (int r = 0; r < 9; ++r) {
            if (r == 3 || r == 6)
                io.out << "------+-------+------\n";
            for (int c = 0; c < 9; ++c) {
                if (c == 3 || c == 6)
                    io.out << "| ";
                io.out << puzzles::cellChar(g[static_cast<std::size_t>(r * 9 + c)])
                       << (c == 8 ? "\n" : " ");
            }
        }
    }

    int show(store::PuzzleStore &store)
    {
        const auto grid = puzzleGrid(store, req.number);
        if (!grid)
            return 1;
        printGrid(*grid);
        return 0;
    }

    int solve(store::PuzzleStore &store)
    {
        const auto grid = puzzleGrid(store, req.number);
        if (!grid)
            return 1;
        Grid solution {};
        const int n = puzzles::countSolutions(*grid, 2, &solution);
        const std::string which = "puzzle " + std::to_string(req.number);
        if (n == 0)
            return fail(which + " has no solution");
        printGrid(solution);
        if (n > 1)
            return fail(which + " has more than one solution; this is one of them");
        return 0;
    }

    // Hands every puzzle, in number order, to `each`; a store failure ends the walk (exit 1).
    template <class Each> int forEachPuzzle(store::PuzzleStore &store, Each each)
    {
        const auto list = store.summary();
        if (!list)
            return storeFailure(list.error());
        for (const auto &p : *list) {
            const auto rows = store.puzzle(p.gameNo);
            if (!rows)
                return storeFailure(rows.error());
            each(p, puzzles::toGrid(*rows));
        }
        return 0;
    }

    // The requested puzzles by number: every one when no range is given.
    std::optional<std::vector<std::pair<int, Grid>>> chosen(store::PuzzleStore &store)
    {
        std::vector<std::pair<int, Grid>> list;
        if (req.ranges.empty()) {
            if (forEachPuzzle(
                    store, [&](const auto &p, const Grid &g) { list.emplace_back(p.gameNo, g); })
                != 0)
                return std::nullopt;
            return list;
        }
        for (const auto &range : req.ranges)
            for (int n = range.first; n <= range.last; ++n) {
                const auto grid = puzzleGrid(store, n);
                if (!grid)
                    return std::nullopt;
                list.emplace_back(n, *grid);
            }
        return list;
    }

    int exportPuzzles(store::PuzzleStore &store)
    {
        const auto list = chosen(store);
        if (!list)
            return 1;
        const auto format = req.format.value_or(puzzles::TextFormat::Line);
        return writeOutput([&](std::ostream &out) -> std::optional<std::string> {
            for (const auto &[n, grid] : *list)
                out << puzzles::formatPuzzle(grid, format);
            return out ? std::nullopt
                       : std::optional<std::string>("not all of it could be written");
        });
    }

    int list(store::PuzzleStore &store)
    {
        return forEachPuzzle(store, [&](const auto &p, const Grid &grid) {
            const int grade = puzzles::rate(grid).grade;
            io.out << p.gameNo << '\t' << p.rows << '\t' << grade << '\t'
                   << puzzles::gradeName(grade) << '\n';
        });
    }

    int check(store::PuzzleStore &store);
    int rate(store::PuzzleStore &store);
    int rateFile();
    int generate(store::PuzzleStore &store);
    int importJet();
    int print(store::PuzzleStore &store);
    int printRatings(const std::vector<std::string> &where, const std::vector<Grid> &grids);
    // explain.cpp
    int explain(store::PuzzleStore &store);
    int explainText();
    // With -o, the steps to draw are added to `pictures`.
    bool printPath(const std::string &where, const Grid &grid, std::vector<StepPicture> &pictures);
    int writePictures(const std::vector<StepPicture> &pictures);
    int ungradedResult(int ungraded);
    using OnLibrary = int (Tool::*)(store::PuzzleStore &);
    int library(OnLibrary command, store::PuzzleStore::Emptiness empty);
};

// Runs `command` on the request's library; the library's puzzles are read, so it must hold one
// unless `empty` allows none (import and generate may fill an empty library).
int onLibrary(const Request &request, const Streams &streams, Tool::OnLibrary command,
    store::PuzzleStore::Emptiness empty = store::PuzzleStore::Emptiness::Refuse);

} // namespace zov::cli::detail
