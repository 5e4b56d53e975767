#pragma once

// The library tool's commands, on arguments that the command line has already checked: each
// number is in its range and each option combination allowed, so no command checks again.

#include "cli/sheet.h"
#include "puzzles/puzzletext.h"
#include "store/location.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zov::cli {

struct NumberRange
{
    int first = 0, last = 0;
};

// Everything a command line asks for; each command reads the fields it defined.
struct Request
{
    std::string db; // the library's path
    std::optional<store::LibraryPlace> gameLibrary; // made before first use when set
    std::string file; // create --from, import, rate --file, explain --file, import-jet
    std::string board; // explain --board: 81 characters in a puzzle format
    std::optional<puzzles::TextFormat> format; // forced, else judged from the content
    std::string output = "-"; // export -o, print -o
    std::string pictures; // explain -o: the steps drawn, FILE.pdf or FILE.svg
    int number = 0; // show, solve, rate N
    std::vector<NumberRange> ranges; // export, print
    int count = 0; // generate
    std::optional<int> gradeFrom, gradeTo;
    std::optional<std::uint64_t> seed;
    SheetOptions sheet;
};

struct Streams
{
    std::istream &in;
    std::ostream &out;
    std::ostream &err;
};

// The commands, one per subcommand, each run by its subcommand's callback once the whole
// command line is parsed and checked: 0 done, 1 failed. Messages go to `err` with the tool's
// prefix. The commands on a library make the game's own from its seed first where it is the
// game's and still missing.
using Command = int (*)(const Request &request, const Streams &streams);
int where(const Request &request, const Streams &streams);
int create(const Request &request, const Streams &streams);
int importJet(const Request &request, const Streams &streams);
int list(const Request &request, const Streams &streams);
int show(const Request &request, const Streams &streams);
int solve(const Request &request, const Streams &streams);
int check(const Request &request, const Streams &streams);
int importFile(const Request &request, const Streams &streams);
int exportPuzzles(const Request &request, const Streams &streams);
// Of a file (--file) without a library, else of the library's puzzles.
int rate(const Request &request, const Streams &streams);
int explain(const Request &request, const Streams &streams);
int generate(const Request &request, const Streams &streams);
int print(const Request &request, const Streams &streams);

} // namespace zov::cli
