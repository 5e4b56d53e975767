// The commands on a library as a whole: where it is, making it, checking, listing, showing,
// solving, printing, importing and exporting its puzzles.

#include "cli/commands.h"
#include "cli/tool.h"
#include "store/jetlibrary.h"

#include <map>

namespace zov::cli {
namespace detail {

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

int onLibrary(const Request &request, const Streams &streams, Tool::OnLibrary command,
    store::PuzzleStore::Emptiness empty)
{
    Tool tool { request, streams };
    return tool.library(command, empty);
}

} // namespace detail

using detail::onLibrary;
using detail::Tool;

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

} // namespace zov::cli
