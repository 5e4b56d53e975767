#include "cli/commands.h"

#include "board/identity.h"
#include "cli/files.h"
#include "puzzles/grader.h"
#include "store/jetlibrary.h"
#include "store/puzzlestore.h"

#include <algorithm>
#include <map>
#include <random>

namespace zov::cli {
namespace {

using Grid = puzzles::Grid;

// The faults of a puzzle file listed one by one; the rest are counted.
constexpr std::size_t ProblemsShown = 10;

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
    bool printRating(const std::string &where, const Grid &grid);
    int ungradedResult(int ungraded);
    using OnLibrary = int (Tool::*)(store::PuzzleStore &);
    int library(OnLibrary command, store::PuzzleStore::Emptiness empty);
};

int Tool::check(store::PuzzleStore &store)
{
    const auto rows = store.allRows();
    if (!rows)
        return storeFailure(rows.error());
    int problems = 0;
    std::map<int, std::vector<GameRow>> byNumber;
    for (const auto &row : *rows) {
        if (!row.wellFormed()) {
            ++problems;
            io.out << "puzzle " << row.rawGameNo << ": bad row (GameNo " << row.rawGameNo
                   << ", Index " << row.rawIndex << ", Number " << row.rawNumber << ")\n";
            continue;
        }
        auto &list = byNumber[*row.gameNo];
        for (const auto &other : list)
            if (*other.index == *row.index && *other.number != *row.number) {
                ++problems;
                io.out << "puzzle " << *row.gameNo << ": cell " << *row.index << " holds both "
                       << *other.number << " and " << *row.number << '\n';
            }
        list.push_back(row);
    }
    const int highest = byNumber.empty() ? 0 : byNumber.rbegin()->first;
    for (int n = 1; n <= highest; ++n)
        if (!byNumber.count(n)) {
            ++problems;
            io.out << "puzzle " << n << ": missing (numbers must run from 1 to " << highest
                   << " without a gap)\n";
        }
    for (const auto &[n, list] : byNumber) {
        const auto grid = puzzles::toGrid(list);
        const int solutions = puzzles::isConsistent(grid) ? puzzles::countSolutions(grid, 2) : -1;
        if (solutions == 1)
            continue;
        ++problems;
        io.out << "puzzle " << n << ": "
               << (solutions < 0           ? puzzles::RepeatedDigit
                          : solutions == 0 ? "no solution"
                                           : "more than one solution")
               << '\n';
    }
    io.out << byNumber.size() << " puzzle(s), " << rows->size() << " row(s), " << problems
           << " problem(s)\n";
    const bool clean = problems == 0 && !byNumber.empty();
    if (clean)
        io.out << "all puzzles are well formed and have exactly one solution\n";
    return clean ? 0 : 1;
}

// Prints "WHERE GRADE NAME technique=count..."; true when the puzzle has a grade.
bool Tool::printRating(const std::string &where, const Grid &grid)
{
    const auto rating = puzzles::rate(grid);
    io.out << where << ' ' << puzzles::describe(rating) << '\n';
    return rating.grade != puzzles::InvalidGrade;
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
    int ungraded = 0;
    for (std::size_t k = 0; k < parsed->puzzles.size(); ++k)
        ungraded += !printRating(std::to_string(parsed->lines[k]), parsed->puzzles[k]);
    if (!parsed->problems.empty())
        return fail(shownName(req.file) + ": " + std::to_string(parsed->problems.size())
            + " malformed puzzle(s)");
    return ungradedResult(ungraded);
}

int Tool::rate(store::PuzzleStore &store)
{
    int ungraded = 0;
    if (req.number) {
        const auto grid = puzzleGrid(store, req.number);
        if (!grid)
            return 1;
        ungraded += !printRating(std::to_string(req.number), *grid);
    } else if (const int walked = forEachPuzzle(store,
                   [&](const auto &p, const Grid &grid) {
                       ungraded += !printRating(std::to_string(p.gameNo), grid);
                   });
               walked != 0) {
        return walked;
    }
    return ungradedResult(ungraded);
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
    // Equal shares per grade, the easiest first, and within a grade the lowest score first,
    // so that the numbers run from easy to hard.
    const int from = *req.gradeFrom, grades = *req.gradeTo - from + 1, count = req.count;
    const auto gradeOf
        = [&](int k) { return from + static_cast<int>(long { k } * grades / count); };
    std::vector<std::pair<double, Grid>> band;
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

int Tool::importJet()
{
    const auto converted = store::convertLegacyLibrary(req.file);
    if (!converted)
        return fail(req.file + ": " + converted.error().reason + " The file was left as it was.");
    for (const auto &line : converted->dropped)
        io.err << ToolName << ": left out " << line << '\n';
    io.out << "converted " << converted->puzzles << " puzzle(s) with " << converted->rows
           << " digit(s); the original is kept as " << converted->backupPath << '\n';
    return 0;
}

int Tool::print(store::PuzzleStore &store)
{
    const auto list = chosen(store);
    if (!list)
        return 1;
    std::vector<SheetPuzzle> sheet;
    sheet.reserve(list->size());
    for (const auto &[n, grid] : *list) {
        SheetPuzzle p { n, std::string(puzzles::gradeName(puzzles::rate(grid).grade)), grid, {} };
        if (req.sheet.solutions)
            puzzles::countSolutions(grid, 1, &p.solution);
        sheet.push_back(std::move(p));
    }
    return writeOutput([&](std::ostream &out) { return writeSheets(out, sheet, req.sheet); });
}

// The commands that work on a library: it is made from its seed first where that is the game's
// own and still missing, then opened; `empty` says whether the command may find it empty.
int Tool::library(OnLibrary command, store::PuzzleStore::Emptiness empty)
{
    if (req.gameLibrary)
        if (const auto provided = store::provideLibrary(*req.gameLibrary); !provided)
            return storeFailure(provided.error());
    auto opened = store::PuzzleStore::open(req.db, empty);
    if (!opened)
        return storeFailure(opened.error());
    return (this->*command)(*opened);
}

// The library's puzzles are read, so it must hold one; import and generate may fill an empty one.
int onLibrary(const Request &request, const Streams &streams, Tool::OnLibrary command,
    store::PuzzleStore::Emptiness empty = store::PuzzleStore::Emptiness::Refuse)
{
    Tool tool { request, streams };
    return tool.library(command, empty);
}

} // namespace

int where(const Request &request, const Streams &streams)
{
    streams.out << request.db << '\n';
    return 0;
}

int create(const Request &request, const Streams &streams)
{
    Tool tool { request, streams };
    return tool.create();
}

int importJet(const Request &request, const Streams &streams)
{
    Tool tool { request, streams };
    return tool.importJet();
}

int list(const Request &r, const Streams &s) { return onLibrary(r, s, &Tool::list); }
int show(const Request &r, const Streams &s) { return onLibrary(r, s, &Tool::show); }
int solve(const Request &r, const Streams &s) { return onLibrary(r, s, &Tool::solve); }
int check(const Request &r, const Streams &s) { return onLibrary(r, s, &Tool::check); }
int exportPuzzles(const Request &r, const Streams &s)
{
    return onLibrary(r, s, &Tool::exportPuzzles);
}
int print(const Request &r, const Streams &s) { return onLibrary(r, s, &Tool::print); }

int importFile(const Request &r, const Streams &s)
{
    return onLibrary(r, s, &Tool::importFile, store::PuzzleStore::Emptiness::Allow);
}

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
