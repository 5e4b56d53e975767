#pragma once

// Every sentence a hint says, in one place: a technique's step told from the grader's record of
// it, and one function per fault, least precise first. The words name the marks of the hint's
// drawing: the shaded units, the marked candidates, the pivot and the pincers, the first and
// second group, the numbered nodes, the struck-out candidates. Cells are text
// positions; units are the grader's (rows 0-8 from the top, columns 9-17 from the left, boxes
// 18-26 from the top left).

#include "puzzles/grader.h"
#include "puzzles/grading/rater.h"

#include <optional>
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

// A technique's name as a player reads it: "X-wing", "Naked pair", "Contradiction chain".
const std::string &techniqueTitle(Technique technique);

// A step told in the order the hint's levels give it: the technique's name, where to look, the
// pattern, then the reason step by step and the result. Each step of the reason names how many
// of the pattern's ordered nodes (a chain's, a contradiction's forced digits) it has reached, so
// that a drawing can follow it.
struct Telling
{
    std::string name, look, pattern;
    struct Step
    {
        std::string text;
        int reached = -1; // ordered nodes shown once this is told; -1 for all
    };
    std::vector<Step> reason;
    std::string result;
};

// What a contradiction chain found: the digits its assumption forces in order (each a naked
// single where `unit` is -1, else a hidden single of that unit, or another technique's step
// told by its notation), until a cell has no digit left or a digit no place in a unit.
struct Forced
{
    int cell = -1, digit = 0, unit = -1;
    std::optional<Technique> technique; // where not a single
    std::string notation; // that technique's step
};
struct Contradiction
{
    int cell = 0, digit = 0;
    Mask candidates = 0;
    std::vector<Forced> steps;
    int emptyCell = -1, emptyUnit = -1, digitLost = 0;
};

// A technique's step from its record, with the candidates it was found on; `ruledOut` are the
// digits of a naked single's cell that its notes (not its units) exclude, and `why` the
// reason a hidden single's other cells lack the digit. `brief` leaves out what only points the
// way to a single (where to look, the pattern), for a worked solution in words.
enum class OthersLack { SeeIt, RuledOut, Both };
Telling step(const grading::StepPattern &seen, const grading::CandidateGrid &before, Mask ruledOut,
    OthersLack why, bool brief = false);
Telling contradiction(const Contradiction &c);

Levels wrongDigit(int cell, int digit, int clashCell);
Levels repeat(int cellA, int cellB, int unit, int digit);
Levels missingNote(int cell, int digit);
Levels noSolution();
Levels notUnique();
Levels solved();

} // namespace zov::puzzles::hints::words
