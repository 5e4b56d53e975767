#include "cli/commands.h"

#include "cli/tool.h"
#include "puzzles/hints/hint.h"

#include <algorithm>

// The tool's explain: a puzzle's logical path in the hints' own words.
namespace zov::cli {
namespace detail {

// "WHERE: grade GRADE NAME" (the hardest technique the path takes), then each step numbered,
// starting with its technique's name and ending with its notation; true when the path reaches
// the solution. The path is walked once, each step's hint made from the grader's record of it.
bool Tool::printPath(const std::string &where, const Grid &grid, std::vector<StepPicture> &pictures)
{
    namespace hints = puzzles::hints;
    Grid solution {};
    const int solutions = puzzles::countSolutions(grid, 2, &solution);
    if (solutions != 1) {
        io.out << where << '\n';
        const auto hint = hints::nextHint(puzzles::Position::start(grid));
        io.out << "  " << hint.levels.back() << '\n';
        return false;
    }
    const bool drawing = !req.pictures.empty();
    // The grade is the hardest step's, known once the path is walked: the steps wait for it.
    std::string steps;
    int grade = 1, step = 0;
    bool solved = true;
    hints::forEachStep(
        grid, solution, drawing, [&](const hints::Hint &h, const puzzles::Position &state) {
            ++step;
            if (h.technique)
                grade = std::max(grade, puzzles::gradeOf(*h.technique));
            steps.append("  ").append(std::to_string(step)).append(". ");
            if (h.technique)
                steps.append(h.levels.front()).append(": ");
            // The reason and the result, the levels past where the pattern is shown.
            const std::size_t reasonAt = steps.size();
            for (std::size_t k = h.reasonLevel; k < h.levels.size(); ++k) {
                if (steps.size() > reasonAt)
                    steps += ' ';
                steps += h.levels[k];
            }
            steps.append(" [").append(h.notation).append("]\n");
            solved = !h.changes.empty();
            if (drawing && h.technique && puzzles::gradeOf(*h.technique) > 2)
                pictures.push_back(
                    { where + ", step " + std::to_string(step) + ": " + h.levels.front(),
                        steps.substr(reasonAt, steps.rfind(" [") - reasonAt), state.digits,
                        state.candidates(), h.drawings.back() });
        });
    io.out << where << ": grade " << grade << ' ' << puzzles::gradeName(grade) << '\n';
    io.out.write(steps.data(), static_cast<std::streamsize>(steps.size()));
    return solved;
}

int Tool::writePictures(const std::vector<StepPicture> &pictures)
{
    if (req.pictures.empty())
        return 0;
    const bool svg = req.pictures.substr(req.pictures.size() - 4) == ".svg";
    const auto problem = writeWhole(req.pictures, io.out, [&](std::ostream &out) {
        return writeStepPictures(out, pictures, svg ? SheetFormat::Svg : SheetFormat::Pdf);
    });
    return problem ? fail(req.pictures + ": cannot be written: " + *problem) : 0;
}

int Tool::explain(store::PuzzleStore &store)
{
    std::vector<StepPicture> pictures;
    int unexplained = 0;
    if (req.number) {
        const auto grid = puzzleGrid(store, req.number);
        if (!grid)
            return 1;
        unexplained += !printPath("puzzle " + std::to_string(req.number), *grid, pictures);
    } else if (const int walked = forEachPuzzle(store,
                   [&](const auto &p, const Grid &grid) {
                       unexplained
                           += !printPath("puzzle " + std::to_string(p.gameNo), grid, pictures);
                   });
               walked != 0) {
        return walked;
    }
    if (const int written = writePictures(pictures))
        return written;
    return ungradedResult(unexplained);
}

// A file or a board needs no library.
int Tool::explainText()
{
    std::vector<StepPicture> pictures;
    if (!req.board.empty()) {
        const auto parsed = puzzles::parsePuzzleText(req.board, req.format);
        if (parsed.puzzles.size() != 1 || !parsed.problems.empty())
            return fail("--board: one board of 81 cells is needed, digits and blanks (0 . * _ x "
                        "X), in the line, sdk or ss format");
        const bool explained = printPath("board", parsed.puzzles.front(), pictures);
        if (const int written = writePictures(pictures))
            return written;
        return ungradedResult(!explained);
    }
    const auto parsed = readPuzzles(req.file, true);
    if (!parsed)
        return 1;
    int unexplained = 0;
    for (std::size_t k = 0; k < parsed->puzzles.size(); ++k)
        unexplained
            += !printPath("line " + std::to_string(parsed->lines[k]), parsed->puzzles[k], pictures);
    if (!parsed->problems.empty())
        return fail(shownName(req.file) + ": " + std::to_string(parsed->problems.size())
            + " malformed puzzle(s)");
    if (const int written = writePictures(pictures))
        return written;
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
