#include "puzzles/puzzletext.h"

#include "board/cells.h"

#include <algorithm>

namespace zov::puzzles {

Puzzle toPuzzle(const Grid &grid)
{
    Puzzle puzzle;
    for (CellIndex i = 1; i <= CellCount; ++i)
        if (const int d = grid[static_cast<std::size_t>(textPositionOf(i))]; d >= 1 && d <= 9)
            puzzle.push_back({ i, d });
    return puzzle;
}

Grid toGrid(const std::vector<GameRow> &rows)
{
    Grid grid {};
    for (const auto &row : rows)
        if (row.wellFormed())
            grid[static_cast<std::size_t>(textPositionOf(*row.index))]
                = static_cast<std::uint8_t>(*row.number);
    return grid;
}

std::optional<TextFormat> formatNamed(std::string_view name)
{
    for (int f = 0; f < 3; ++f)
        if (name == FormatNames[f])
            return static_cast<TextFormat>(f);
    return std::nullopt;
}

const char *formatName(TextFormat format) { return FormatNames[static_cast<int>(format)]; }

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";

// The text's lines without their line ends, after an optional byte-order mark.
std::vector<std::string_view> splitLines(std::string_view text)
{
    if (text.substr(0, Bom.size()) == Bom)
        text.remove_prefix(Bom.size());
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

std::string_view trimmed(std::string_view line)
{
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    const auto end = line.find_last_not_of(" \t");
    return line.substr(start, end - start + 1);
}

bool isHeader(std::string_view line)
{
    return line.size() >= 2 && line[0] == '#'
        && std::string_view("ADCBSLU").find(line[1]) != std::string_view::npos;
}

bool isBandRule(std::string_view line)
{
    return !line.empty() && line.find_first_not_of("-+") == std::string_view::npos;
}

// Where a whole puzzle was read: the checks every format shares.
void accept(ParsedText &out, const Grid &grid, int line)
{
    if (clueCount(grid) == 0)
        out.problems.push_back({ line, "the puzzle has no digit" });
    else if (!isConsistent(grid))
        out.problems.push_back({ line, RepeatedDigit });
    else {
        out.puzzles.push_back(grid);
        out.lines.push_back(line);
    }
}

void readLines(ParsedText &out, const std::vector<std::string_view> &lines)
{
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const int lineNo = static_cast<int>(k) + 1;
        const auto line = trimmed(lines[k]);
        if (line.empty() || line[0] == '#')
            continue;
        const auto token = line.substr(0, line.find_first_of(" \t"));
        if (token.size() != 81) {
            out.problems.push_back(
                { lineNo, "expected 81 characters, found " + std::to_string(token.size()) });
            continue;
        }
        const auto grid = fromText(token);
        if (!grid) {
            const auto bad
                = std::find_if(token.begin(), token.end(), [](char c) { return cellValue(c) < 0; });
            out.problems.push_back({ lineNo,
                "expected 1-9 or a blank (0 . * _ x X), found '" + shownCharacter(*bad) + "'" });
            continue;
        }
        accept(out, *grid, lineNo);
    }
}

// The nine cells of one grid row, or why the line is not one.
std::optional<std::string> readRow(std::string_view line, TextFormat format, std::uint8_t *row)
{
    std::string cells;
    for (std::size_t k = 0; k < line.size(); ++k) {
        const char ch = line[k];
        if (format == TextFormat::Ss && ch == '|' && (cells.size() == 3 || cells.size() == 6))
            continue;
        if (cellValue(ch) < 0)
            return "expected 1-9 or a blank (0 . * _ x X)"
                + std::string(format == TextFormat::Ss ? " in groups of three split by '|'" : "")
                + ", found '" + shownCharacter(ch) + "'";
        cells += ch;
    }
    if (cells.size() != 9)
        return "expected 9 cells in a row, found " + std::to_string(cells.size());
    if (format == TextFormat::Ss && line.size() != 11)
        return std::string("expected three groups of three cells split by '|'");
    for (std::size_t c = 0; c < 9; ++c)
        row[c] = static_cast<std::uint8_t>(cellValue(cells[c]));
    return std::nullopt;
}

// Grids one after another; empty lines, comments and band rules may stand between rows.
void readGrids(ParsedText &out, const std::vector<std::string_view> &lines, TextFormat format)
{
    Grid grid {};
    int rows = 0, start = 0;
    bool broken = false; // a bad row spoils its grid, not the ones after it
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const int lineNo = static_cast<int>(k) + 1;
        const auto line = trimmed(lines[k]);
        if (line.empty() || (format == TextFormat::Ss && isBandRule(line)))
            continue;
        if (line[0] == '#') {
            out.droppedHeaders += isHeader(line);
            continue;
        }
        if (rows == 0) {
            start = lineNo;
            broken = false;
        }
        if (const auto problem = readRow(line, format, grid.data() + rows * 9)) {
            out.problems.push_back({ lineNo, *problem });
            broken = true;
        }
        if (++rows == 9) {
            if (!broken)
                accept(out, grid, start);
            rows = 0;
        }
    }
    if (rows != 0 && !broken)
        out.problems.push_back({ start,
            "expected 9 rows of 9 cells, found " + std::to_string(rows) + " row(s) from here" });
}

} // namespace

bool looksLikeText(std::string_view text)
{
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r')
            || u == 0x7f;
    });
}

std::string shownCharacter(char ch)
{
    const auto u = static_cast<unsigned char>(ch);
    if (u >= 0x20 && u < 0x7f)
        return std::string(1, ch);
    static constexpr char Hex[] = "0123456789ABCDEF";
    return std::string { '\\', 'x', Hex[u >> 4], Hex[u & 0xf] };
}

TextFormat detectFormat(std::string_view text)
{
    for (const auto raw : splitLines(text)) {
        const auto line = trimmed(raw);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.find('|') != std::string_view::npos || isBandRule(line))
            return TextFormat::Ss;
        return line.substr(0, line.find_first_of(" \t")).size() <= 9 ? TextFormat::Sdk
                                                                     : TextFormat::Line;
    }
    return TextFormat::Line;
}

ParsedText parsePuzzleText(std::string_view text, std::optional<TextFormat> format)
{
    ParsedText out;
    out.format = format ? *format : detectFormat(text);
    const auto lines = splitLines(text);
    if (out.format == TextFormat::Line)
        readLines(out, lines);
    else
        readGrids(out, lines, out.format);
    return out;
}

std::string formatPuzzle(const Grid &grid, TextFormat format)
{
    if (format == TextFormat::Line)
        return toText(grid) + '\n';
    const auto cell
        = [&](int r, int c) { return cellChar(grid[static_cast<std::size_t>(r * 9 + c)]); };
    std::string text;
    for (int r = 0; r < 9; ++r) {
        if (format == TextFormat::Ss && (r == 3 || r == 6))
            text += "---+---+---\n";
        for (int c = 0; c < 9; ++c) {
            if (format == TextFormat::Ss && (c == 3 || c == 6))
                text += '|';
            text += cell(r, c);
        }
        text += '\n';
    }
    text += '\n';
    return text;
}

} // namespace zov::puzzles
