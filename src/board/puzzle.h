#pragma once

// A puzzle as the library stores it: its givens by cell number, and the raw rows of the Game
// table. Here, below both the store and the puzzles, so that each can speak of a puzzle without
// reaching into the other.

#include <optional>
#include <string>
#include <vector>

namespace zov {

// One row of Game. Fields that are outside the record format stay empty; the raw texts are kept
// for reports.
struct GameRow
{
    std::optional<int> gameNo; // 1..MaxGameNumber
    std::optional<int> index; // 1..81
    std::optional<int> number; // 1..9
    std::string rawGameNo, rawIndex, rawNumber;
    bool wellFormed() const { return gameNo && index && number; }
};

struct Given
{
    int index = 0; // CellIndex 1..81
    int digit = 0; // 1..9
};
using Puzzle = std::vector<Given>;

} // namespace zov
