#include "puzzles/puzzletext.h"

#include "board/cells.h"

namespace zov::puzzles {

store::Puzzle toPuzzle(const Grid &grid)
{
    store::Puzzle puzzle;
    for (CellIndex i = 1; i <= CellCount; ++i)
        if (const int d = grid[static_cast<std::size_t>(textPositionOf(i))]; d >= 1 && d <= 9)
            puzzle.push_back({ i, d });
    return puzzle;
}

Grid toGrid(const std::vector<store::GameRow> &rows)
{
    Grid grid {};
    for (const auto &row : rows)
        if (row.wellFormed())
            grid[static_cast<std::size_t>(textPositionOf(*row.index))]
                = static_cast<std::uint8_t>(*row.number);
    return grid;
}

ParsedText parsePuzzleText(std::string_view text)
{
    ParsedText out;
    int lineNo = 0;
    while (!text.empty()) {
        ++lineNo;
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos || line[start] == '#')
            continue;
        line.remove_prefix(start);
        const auto tokenEnd = line.find_first_of(" \t");
        const std::string_view token = line.substr(0, tokenEnd);
        const auto grid = fromText(token);
        if (!grid) {
            out.problems.push_back({ lineNo,
                token.size() != 81 ? "expected 81 characters, found " + std::to_string(token.size())
                                   : std::string("only 1-9, 0 and '.' may stand in a puzzle") });
            continue;
        }
        if (clueCount(*grid) == 0) {
            out.problems.push_back({ lineNo, "the puzzle has no digit" });
            continue;
        }
        if (!isConsistent(*grid)) {
            out.problems.push_back({ lineNo, "a digit stands twice in a row, column or box" });
            continue;
        }
        out.puzzles.push_back(*grid);
    }
    return out;
}

} // namespace zov::puzzles
