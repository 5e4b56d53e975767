#pragma once

// Every sentence a hint says, in one place: one function per technique and per fault, taking
// what the engine found and returning the levels, least precise first. Cells are text
// positions; units are the grader's (rows 0-8 from the top, columns 9-17 from the left, boxes
// 18-26 from the top left).

#include "puzzles/grader.h"
#include "puzzles/grading/candidates.h"

#include <string>
#include <utility>
#include <vector>

namespace zov::puzzles::hints::words {

using grading::Mask;
using Levels = std::vector<std::string>;
using Removals = std::vector<std::pair<int, Mask>>; // cell, digits removed

std::string cellName(int cell); // "row 4, column 6"
std::string unitName(int unit); // "row 4", "column 6", "box 5"
std::string cellList(const std::vector<int> &cells); // "row 2, columns 1 and 3, and row 5, ..."
std::string digitList(Mask digits); // "3", "3 and 7", "3, 5 and 7"

// Why the other open cells of a hidden single's unit cannot take its digit.
enum class OthersLack { SeeIt, RuledOut, Both };
Levels hiddenSingle(int unit, int digit, int cell, OthersLack why);
// `seen`: the digits the cell's row, column and box hold; `ruledOut`: the others its notes
// leave out.
Levels nakedSingle(int cell, int digit, Mask seen, Mask ruledOut);
// Pointing (`first` a box, `second` a line) or claiming (`first` a line, `second` a box).
Levels lockedCandidates(bool pointing, int first, int second, int digit,
    const std::vector<int> &cells, const Removals &removed);
Levels subset(bool naked, int size, int unit, const std::vector<int> &cells, Mask digits,
    const Removals &removed);
Levels fish(int size, int digit, const std::vector<int> &baseLines,
    const std::vector<int> &coverLines, const std::vector<int> &cells, const Removals &removed);

struct WingCell
{
    int cell = 0;
    Mask candidates = 0;
};
Levels xyWing(WingCell pivot, WingCell a, WingCell b, int digit, const Removals &removed);
Levels xyzWing(WingCell pivot, WingCell a, WingCell b, int digit, const Removals &removed);

// A colouring's two groups, the cells of each, and either two cells of one group that share
// a unit (`clashUnit` >= 0) or a removed cell that sees `seenA` of group A and `seenB` of B.
struct Colouring
{
    int digit = 0;
    std::vector<int> groupA, groupB;
    int falseGroup = -1; // 0 for A, 1 for B, -1 where cells seeing both lose the digit
    int clashUnit = -1, clashA = -1, clashB = -1;
    int seer = -1, seenA = -1, seenB = -1;
};
Levels colouring(const Colouring &c, const Removals &removed);

// An x-chain: cells c0, c1, ... c(2k+1), each c(2i) to c(2i+1) the only two places of the
// digit in units[i], each c(2i+1) seeing c(2i+2).
struct XChain
{
    std::vector<int> cells;
    std::vector<int> units;
    std::vector<int> removedBy; // the cells whose digit this chain removes
};
Levels xChain(int digit, const std::vector<XChain> &chains, const Removals &removed);

// An xy-chain: cells of two candidates, each forced to `forced[i]` when the first one lacks
// the digit, the last one forced to the digit.
struct XYChain
{
    std::vector<WingCell> cells;
    std::vector<int> forced;
    std::vector<int> removedBy;
};
Levels xyChain(int digit, const std::vector<XYChain> &chains, const Removals &removed);

// A trial: `digit` in `cell` forces `steps` (a naked single where unit is -1, else a hidden
// single of that unit) until `emptyCell` has no digit left or `digitLost` no place in
// `emptyUnit`. With no such chain, `deep` says the search found no solution with it.
struct TrialStep
{
    int cell = 0, digit = 0, unit = -1;
};
struct Trial
{
    int cell = 0, digit = 0;
    Mask candidates = 0;
    std::vector<TrialStep> steps;
    int emptyCell = -1;
    int emptyUnit = -1, digitLost = 0;
    bool deep = false;
};
Levels trial(const Trial &t);

Levels wrongDigit(int cell, int digit, int clashCell);
Levels repeat(int cellA, int cellB, int unit, int digit);
Levels missingNote(int cell, int digit);
Levels noSolution();
Levels notUnique();
Levels solved();

} // namespace zov::puzzles::hints::words
