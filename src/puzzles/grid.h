#pragma once

// The grid every part of the puzzles works on, in text order: position 0 is the top-left cell,
// 80 the bottom-right; 0 stands for an empty cell. board/cells.h maps positions to cells.

#include <array>
#include <cstdint>

namespace zov::puzzles {

using Grid = std::array<std::uint8_t, 81>;

} // namespace zov::puzzles
