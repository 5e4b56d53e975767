#include "cli/commands.h"

#include "cli/tool.h"
#include "puzzles/hints/hint.h"

// The tool's explain: a puzzle's logical path in the hints' own words.
namespace zov::cli {
namespace detail {

// "WHERE GRADE NAME", then each step numbered with its notation; true when the path reaches
// the solution.
bool Tool::printPath(const std::string &where, const Grid &grid)
{
    Grid solution {};
    auto state = puzzles::Position::start(grid);
    const int solutions = puzzles::countSolutions(grid, 2, &solution);
    io.out << where << '\n';
    if (solutions != 1) {
        const auto hint = puzzles::hints::nextHint(state);
        io.out << "  " << hint.levels.back() << '\n';
        return false;
    }
    for (int step = 1;; ++step) {
        const auto hint = puzzles::hints::nextHint(state, solution);
        if (hint.kind == puzzles::hints::Hint::Kind::Solved)
            return true;
        io.out << "  " << step << ". " << hint.levels.back() << " [" << hint.notation << "]\n";
        if (hint.changes.empty())
            return false;
        state = puzzles::hints::applied(state, hint);
    }
}

int Tool::explain(store::PuzzleStore &store)
{
    int unexplained = 0;
    if (req.number) {
        const auto grid = puzzleGrid(store, req.number);
        if (!grid)
            return 1;
        unexplained += !printPath("puzzle " + std::to_string(req.number), *grid);
    } else if (const int walked = forEachPuzzle(store,
                   [&](const auto &p, const Grid &grid) {
                       unexplained += !printPath("puzzle " + std::to_string(p.gameNo), grid);
                   });
               walked != 0) {
        return walked;
    }
    return ungradedResult(unexplained);
}

// A file or a board needs no library.
int Tool::explainText()
{
    if (!req.board.empty()) {
        const auto parsed = puzzles::parsePuzzleText(req.board, req.format);
        if (parsed.puzzles.size() != 1 || !parsed.problems.empty())
            return fail("--board: one board of 81 cells is needed, digits and blanks (0 . * _ x "
                        "X), in the line, sdk or ss format");
        return ungradedResult(!printPath("board", parsed.puzzles.front()));
    }
    const auto parsed = readPuzzles(req.file, true);
    if (!parsed)
        return 1;
    int unexplained = 0;
    for (std::size_t k = 0; k < parsed->puzzles.size(); ++k)
        unexplained += !printPath("line " + std::to_string(parsed->lines[k]), parsed->puzzles[k]);
    if (!parsed->problems.empty())
        return fail(shownName(req.file) + ": " + std::to_string(parsed->problems.size())
            + " malformed puzzle(s)");
    return ungradedResult(unexplained);
}

} // namespace detail

int explain(const Request &r, const Streams &s)
{
    if (!r.file.empty() || !r.board.empty()) {
        detail::Tool tool { r, s };
        return tool.explainText();
    }
    return detail::onLibrary(r, s, &detail::Tool::explain);
}

} // namespace zov::cli
