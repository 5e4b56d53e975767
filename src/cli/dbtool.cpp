#include "cli/dbtool.h"

#include "board/cells.h"
#include "puzzles/puzzletext.h"
#include "store/jetlibrary.h"
#include "store/location.h"
#include "store/puzzlestore.h"

#include <charconv>
#include <fstream>
#include <map>
#include <ostream>
#include <random>
#include <sstream>

namespace zov::cli {
namespace {

constexpr char Usage[] = R"(usage: zovudedoda-db [--db PATH] COMMAND [ARGS]
  create [--from FILE]       make a new library (from a puzzle text file)
  list                       puzzle numbers and their clue counts
  show N                     puzzle N as a grid, top row first
  import FILE                append the puzzles of a text file
  export                     every puzzle as an 81-character line
  check                      check every row and puzzle
  solve N                    the solution of puzzle N
  generate COUNT [--seed S]  append COUNT new puzzles
  import-jet FILE            convert a library of the earlier version in place
  where                      the path of the library used without --db
Without --db the game's own library is used, made from the default one if missing.
)";

struct Tool
{
    std::string db;
    std::ostream &out;
    std::ostream &err;
    // The game's library, made from its seed before first use; unused when --db names one.
    std::optional<store::LibraryPlace> gameLibrary;

    int fail(const std::string &message)
    {
        err << "zovudedoda-db: " << message << '\n';
        return 1;
    }
    int usage(const std::string &message)
    {
        err << "zovudedoda-db: " << message << '\n' << Usage;
        return 2;
    }
    int storeFailure(const store::Error &e) { return fail(db + ": " + e.reason); }

    static std::optional<int> number(const std::string &text)
    {
        int v = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc {} || end != text.data() + text.size())
            return std::nullopt;
        return v;
    }

    std::optional<puzzles::ParsedText> readText(const std::string &file)
    {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            fail(file + ": cannot be read");
            return std::nullopt;
        }
        std::ostringstream text;
        text << in.rdbuf();
        auto parsed = puzzles::parsePuzzleText(text.str());
        for (const auto &p : parsed.problems)
            err << file << ':' << p.line << ": " << p.reason << '\n';
        if (!parsed.problems.empty()) {
            fail(file + ": " + std::to_string(parsed.problems.size())
                + " malformed line(s); nothing was stored");
            return std::nullopt;
        }
        return parsed;
    }

    static std::vector<store::Puzzle> toPuzzles(const std::vector<puzzles::Grid> &grids)
    {
        std::vector<store::Puzzle> list;
        list.reserve(grids.size());
        for (const auto &g : grids)
            list.push_back(puzzles::toPuzzle(g));
        return list;
    }

    int create(const std::vector<std::string> &args)
    {
        std::vector<store::Puzzle> list;
        if (args.size() == 2 && args[0] == "--from") {
            const auto parsed = readText(args[1]);
            if (!parsed)
                return 1;
            list = toPuzzles(parsed->puzzles);
        } else if (!args.empty()) {
            return usage("create takes only --from FILE");
        }
        if (const auto made = store::PuzzleStore::create(db, list); !made)
            return storeFailure(made.error());
        out << "created " << db << " with " << list.size() << " puzzle(s)\n";
        return 0;
    }

    int append(store::PuzzleStore &store, const std::vector<puzzles::Grid> &grids)
    {
        const auto first = store.appendPuzzles(toPuzzles(grids));
        if (!first)
            return storeFailure(first.error());
        if (grids.empty())
            out << "nothing to add\n";
        else
            out << "added " << grids.size() << " puzzle(s) as " << *first << " to "
                << *first + static_cast<int>(grids.size()) - 1 << '\n';
        return 0;
    }

    static bool isPuzzleNumber(const std::string &arg)
    {
        const auto n = number(arg);
        return n && *n >= 1 && *n <= MaxGameNumber;
    }

    static std::optional<std::uint64_t> wholeNumber(const std::string &text)
    {
        std::uint64_t v = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc {} || end != text.data() + text.size())
            return std::nullopt;
        return v;
    }

    // What is wrong with a command of the commands that open a library, or nothing.
    static std::optional<std::string> argumentProblem(
        const std::string &command, const std::vector<std::string> &args)
    {
        const bool none = args.empty();
        const bool one = args.size() == 1;
        if ((command == "list" || command == "export" || command == "check") && none)
            return std::nullopt;
        if ((command == "show" || command == "solve") && one) {
            if (!isPuzzleNumber(args[0]))
                return "a puzzle number from 1 to 32767 is needed, not '" + args[0] + "'";
            return std::nullopt;
        }
        if (command == "import" && one)
            return std::nullopt;
        if (command == "generate" && (one || (args.size() == 3 && args[1] == "--seed"))) {
            const auto count = number(args[0]);
            if (!count || *count < 1 || *count > MaxGameNumber)
                return "COUNT must be a number from 1 to 32767";
            if (args.size() == 3 && !wholeNumber(args[2]))
                return "the seed must be a whole number";
            return std::nullopt;
        }
        return "unknown command or wrong arguments: " + command;
    }

    std::optional<puzzles::Grid> puzzleGrid(store::PuzzleStore &store, const std::string &arg)
    {
        const auto rows = store.puzzle(*number(arg));
        if (!rows) {
            storeFailure(rows.error());
            return std::nullopt;
        }
        if (rows->empty()) {
            fail("there is no puzzle " + arg);
            return std::nullopt;
        }
        return puzzles::toGrid(*rows);
    }

    void printGrid(const puzzles::Grid &g)
    {
        for (int r = 0; r < 9; ++r) {
            if (r == 3 || r == 6)
                out << "------+-------+------\n";
            for (int c = 0; c < 9; ++c) {
                if (c == 3 || c == 6)
                    out << "| ";
                const int d = g[static_cast<std::size_t>(r * 9 + c)];
                out << (d ? static_cast<char>('0' + d) : '.') << (c == 8 ? "\n" : " ");
            }
        }
    }

    int check(store::PuzzleStore &store)
    {
        const auto rows = store.allRows();
        if (!rows)
            return storeFailure(rows.error());
        int problems = 0;
        std::map<int, std::vector<store::GameRow>> byNumber;
        for (const auto &row : *rows) {
            if (!row.wellFormed()) {
                ++problems;
                out << "puzzle " << row.rawGameNo << ": bad row (GameNo " << row.rawGameNo
                    << ", Index " << row.rawIndex << ", Number " << row.rawNumber << ")\n";
                continue;
            }
            auto &list = byNumber[*row.gameNo];
            for (const auto &other : list)
                if (*other.index == *row.index && *other.number != *row.number) {
                    ++problems;
                    out << "puzzle " << *row.gameNo << ": cell " << *row.index << " holds both "
                        << *other.number << " and " << *row.number << '\n';
                }
            list.push_back(row);
        }
        const int highest = byNumber.empty() ? 0 : byNumber.rbegin()->first;
        for (int n = 1; n <= highest; ++n)
            if (!byNumber.count(n)) {
                ++problems;
                out << "puzzle " << n << ": missing (numbers must run from 1 to " << highest
                    << " without a gap)\n";
            }
        for (const auto &[n, list] : byNumber) {
            const auto grid = puzzles::toGrid(list);
            if (!puzzles::isConsistent(grid)) {
                ++problems;
                out << "puzzle " << n << ": a digit stands twice in a row, column or box\n";
                continue;
            }
            const int solutions = puzzles::countSolutions(grid, 2);
            if (solutions != 1) {
                ++problems;
                out << "puzzle " << n << ": "
                    << (solutions == 0 ? "no solution" : "more than one solution") << '\n';
            }
        }
        out << byNumber.size() << " puzzle(s), " << rows->size() << " row(s), " << problems
            << " problem(s)\n";
        if (problems == 0 && !byNumber.empty())
            out << "all puzzles are well formed and have exactly one solution\n";
        return problems == 0 && !byNumber.empty() ? 0 : 1;
    }

    int run(const std::string &command, const std::vector<std::string> &args)
    {
        if (command == "create")
            return create(args);
        if (command == "import-jet") {
            if (args.size() != 1)
                return usage("import-jet takes the file to convert");
            const auto converted = store::convertLegacyLibrary(args[0]);
            if (!converted)
                return fail(
                    args[0] + ": " + converted.error().reason + " The file was left as it was.");
            for (const auto &line : converted->dropped)
                err << "zovudedoda-db: left out " << line << '\n';
            out << "converted " << converted->puzzles << " puzzle(s) with " << converted->rows
                << " digit(s); the original is kept as " << converted->backupPath << '\n';
            return 0;
        }

        // A mistyped command or argument is a usage error whether or not the library is there.
        if (const auto problem = argumentProblem(command, args))
            return usage(*problem);
        if (gameLibrary)
            if (const auto provided = store::provideLibrary(*gameLibrary); !provided)
                return storeFailure(provided.error());
        const bool filling = command == "import" || command == "generate";
        auto opened = store::PuzzleStore::open(db,
            filling ? store::PuzzleStore::Emptiness::Allow : store::PuzzleStore::Emptiness::Refuse);
        if (!opened)
            return storeFailure(opened.error());
        store::PuzzleStore &store = *opened;

        if (command == "list" && args.empty()) {
            const auto list = store.summary();
            if (!list)
                return storeFailure(list.error());
            for (const auto &p : *list)
                out << p.gameNo << '\t' << p.rows << '\n';
            return 0;
        }
        if (command == "show" && args.size() == 1) {
            const auto grid = puzzleGrid(store, args[0]);
            if (!grid)
                return 1;
            printGrid(*grid);
            return 0;
        }
        if (command == "solve" && args.size() == 1) {
            const auto grid = puzzleGrid(store, args[0]);
            if (!grid)
                return 1;
            puzzles::Grid solution {};
            const int n = puzzles::countSolutions(*grid, 2, &solution);
            if (n == 0)
                return fail("puzzle " + args[0] + " has no solution");
            printGrid(solution);
            if (n > 1)
                return fail(
                    "puzzle " + args[0] + " has more than one solution; this is one of them");
            return 0;
        }
        if (command == "import" && args.size() == 1) {
            const auto parsed = readText(args[0]);
            return parsed ? append(store, parsed->puzzles) : 1;
        }
        if (command == "export" && args.empty()) {
            const auto list = store.summary();
            if (!list)
                return storeFailure(list.error());
            for (const auto &p : *list) {
                const auto rows = store.puzzle(p.gameNo);
                if (!rows)
                    return storeFailure(rows.error());
                out << puzzles::toText(puzzles::toGrid(*rows)) << '\n';
            }
            return 0;
        }
        if (command == "check" && args.empty())
            return check(store);
        if (command == "generate"
            && (args.size() == 1 || (args.size() == 3 && args[1] == "--seed"))) {
            const auto count = number(args[0]);
            const auto seed = args.size() == 3 ? wholeNumber(args[2])
                                               : std::uint64_t { std::random_device {}() };
            std::mt19937_64 rng(*seed);
            std::uniform_int_distribution<int> clues(22, 36);
            std::vector<puzzles::Grid> grids;
            for (int k = 0; k < *count; ++k)
                grids.push_back(puzzles::generate(rng, clues(rng)));
            return append(store, grids);
        }
        return usage("unknown command or wrong arguments: " + command);
    }
};

} // namespace

int runDbTool(const std::vector<std::string> &args, const std::string &defaultDb, std::ostream &out,
    std::ostream &err)
{
    return runDbTool(args, store::LibraryPlace { defaultDb, {}, true }, out, err);
}

int runDbTool(const std::vector<std::string> &args, const store::LibraryPlace &gameLibrary,
    std::ostream &out, std::ostream &err)
{
    Tool tool { gameLibrary.path, out, err, gameLibrary };
    std::size_t at = 0;
    if (args.size() >= 2 && args[0] == "--db") {
        tool.db = args[1];
        tool.gameLibrary.reset();
        at = 2;
    }
    if (at >= args.size())
        return tool.usage("no command given");
    if (args[at] == "--help" || args[at] == "help") {
        out << Usage;
        return 0;
    }
    if (args[at] == "where" && at + 1 == args.size()) {
        out << tool.db << '\n';
        return 0;
    }
    return tool.run(args[at], { args.begin() + static_cast<std::ptrdiff_t>(at) + 1, args.end() });
}

} // namespace zov::cli
