#include "cli/dbtool.h"

#include "board/cells.h"
#include "puzzles/grader.h"
#include "puzzles/puzzletext.h"
#include "store/jetlibrary.h"
#include "store/location.h"
#include "store/puzzlestore.h"

#include <algorithm>
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
  list                       puzzle numbers, their clue counts and grades
  show N                     puzzle N as a grid, top row first
  import FILE                append the puzzles of a text file
  export                     every puzzle as an 81-character line
  check                      check every row and puzzle
  solve N                    the solution of puzzle N
  rate [N | --file FILE]     the grade of puzzle N, of every puzzle, or of each line of FILE,
                             and how often each technique was needed
  generate COUNT [--grade G | --grade-from G1 --grade-to G2] [--seed S]
                             append COUNT new puzzles; with grades, in equal shares per grade
                             from the easiest
  import-jet FILE            convert a library of the earlier version in place
  where                      the path of the library used without --db
Grades: 1 hidden-singles, 2 naked-singles, 3 locked-candidates, 4 subsets, 5 fish, 6 wings,
7 chains, 8 trial (guessing); 0 invalid: no solution or more than one.
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
        if (command == "rate") {
            if (none)
                return std::nullopt;
            if (one && !isPuzzleNumber(args[0]))
                return "a puzzle number from 1 to 32767 is needed, not '" + args[0] + "'";
            return one
                ? std::nullopt
                : std::optional<std::string>("rate takes a puzzle number, --file FILE, or nothing");
        }
        if (command == "generate" && !none)
            return generateOptions(args).problem;
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

    // Prints "WHERE GRADE NAME technique=count..."; true when the puzzle has a grade.
    bool printRating(const std::string &where, const puzzles::Grid &grid)
    {
        const auto rating = puzzles::rate(grid);
        out << where << ' ' << puzzles::describe(rating) << '\n';
        return rating.grade != puzzles::InvalidGrade;
    }

    // A file needs no library: its puzzles are rated where they stand, by line number.
    int rateFile(const std::string &file)
    {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return fail(file + ": cannot be read");
        int ungraded = 0, malformed = 0, lineNo = 0;
        for (std::string line; std::getline(in, line);) {
            ++lineNo;
            // One line at a time, so that each puzzle keeps its line number.
            const auto parsed = puzzles::parsePuzzleText(line);
            for (const auto &p : parsed.problems) {
                err << file << ':' << lineNo << ": " << p.reason << '\n';
                ++malformed;
            }
            for (const auto &g : parsed.puzzles)
                ungraded += !printRating(std::to_string(lineNo), g);
        }
        if (malformed)
            return fail(file + ": " + std::to_string(malformed) + " malformed line(s)");
        return ungradedResult(ungraded);
    }

    int ungradedResult(int ungraded)
    {
        if (ungraded)
            return fail(std::to_string(ungraded)
                + " puzzle(s) have no grade: no solution or more than one");
        return 0;
    }

    int rate(store::PuzzleStore &store, const std::vector<std::string> &args)
    {
        int ungraded = 0;
        if (args.size() == 1) {
            if (!isPuzzleNumber(args[0]))
                return usage("a puzzle number from 1 to 32767 is needed, not '" + args[0] + "'");
            const auto grid = puzzleGrid(store, args[0]);
            if (!grid)
                return 1;
            ungraded += !printRating(args[0], *grid);
        } else if (args.empty()) {
            const auto list = store.summary();
            if (!list)
                return storeFailure(list.error());
            for (const auto &p : *list) {
                const auto rows = store.puzzle(p.gameNo);
                if (!rows)
                    return storeFailure(rows.error());
                ungraded += !printRating(std::to_string(p.gameNo), puzzles::toGrid(*rows));
            }
        } else {
            return usage("rate takes a puzzle number, --file FILE, or nothing");
        }
        return ungradedResult(ungraded);
    }

    struct GenerateOptions
    {
        int count = 0;
        std::optional<std::uint64_t> seed;
        std::optional<int> from, to;
        std::optional<std::string> problem; // a usage error
    };
    static GenerateOptions generateOptions(const std::vector<std::string> &args)
    {
        GenerateOptions o;
        const auto bad = [&o](std::string why) {
            o.problem = std::move(why);
            return o;
        };
        const auto count = number(args[0]);
        if (!count || *count < 1 || *count > MaxGameNumber)
            return bad("COUNT must be a number from 1 to 32767");
        o.count = *count;
        for (std::size_t k = 1; k < args.size(); k += 2) {
            if (k + 1 >= args.size())
                return bad(args[k] + " needs a value");
            const std::string &option = args[k], &value = args[k + 1];
            if (option == "--seed") {
                std::uint64_t v = 0;
                const auto [end, ec]
                    = std::from_chars(value.data(), value.data() + value.size(), v);
                if (ec != std::errc {} || end != value.data() + value.size())
                    return bad("the seed must be a whole number");
                o.seed = v;
                continue;
            }
            const auto grade = number(value);
            if (!grade || *grade < 1 || *grade > puzzles::TopGrade)
                return bad(option + " takes a grade from 1 to " + std::to_string(puzzles::TopGrade)
                    + ", not '" + value + "'");
            if (option == "--grade" && !o.from && !o.to)
                o.from = o.to = *grade;
            else if (option == "--grade-from" && !o.from)
                o.from = *grade;
            else if (option == "--grade-to" && !o.to)
                o.to = *grade;
            else
                return bad(
                    "generate takes --grade G or --grade-from G1 --grade-to G2, and --seed S");
        }
        if (o.from.has_value() != o.to.has_value())
            return bad("--grade-from and --grade-to go together");
        if (o.from && *o.from > *o.to)
            return bad("--grade-from must not be above --grade-to");
        return o;
    }

    int generate(store::PuzzleStore &store, const std::vector<std::string> &args)
    {
        const GenerateOptions o = generateOptions(args);
        if (o.problem)
            return usage(*o.problem);
        const auto count = std::optional<int>(o.count);
        const auto &seed = o.seed;
        const auto &from = o.from;
        const auto &to = o.to;
        std::mt19937_64 rng(seed ? *seed : std::random_device {}());
        std::vector<puzzles::Grid> grids;
        if (!from) {
            std::uniform_int_distribution<int> clues(22, 36);
            for (int k = 0; k < *count; ++k)
                grids.push_back(puzzles::generate(rng, clues(rng)));
            return append(store, grids);
        }
        // Equal shares per grade, the easiest first, and within a grade the lowest score first,
        // so that the numbers run from easy to hard.
        const int grades = *to - *from + 1;
        std::vector<std::pair<double, puzzles::Grid>> band;
        for (int k = 0; k < *count; ++k) {
            const int grade = *from + static_cast<int>(static_cast<long>(k) * grades / *count);
            // The rarest grade takes a few hundred grids a puzzle; this many means it cannot come.
            constexpr int Attempts = 200000;
            const auto grid = puzzles::generateGraded(rng, grade, Attempts);
            if (!grid)
                return fail("no puzzle of grade " + std::to_string(grade) + " came from "
                    + std::to_string(Attempts) + " grids; nothing was stored");
            band.emplace_back(puzzles::rate(*grid).score(), *grid);
            const bool last = k + 1 == *count
                || *from + static_cast<int>(static_cast<long>(k + 1) * grades / *count) != grade;
            if (last) {
                std::stable_sort(band.begin(), band.end(),
                    [](const auto &a, const auto &b) { return a.first < b.first; });
                for (const auto &entry : band)
                    grids.push_back(entry.second);
                band.clear();
            }
        }
        return append(store, grids);
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

        if (command == "rate" && !args.empty() && args[0] == "--file")
            return args.size() == 2 ? rateFile(args[1]) : usage("--file needs one file name");
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
            for (const auto &p : *list) {
                const auto rows = store.puzzle(p.gameNo);
                if (!rows)
                    return storeFailure(rows.error());
                const int grade = puzzles::rate(puzzles::toGrid(*rows)).grade;
                out << p.gameNo << '\t' << p.rows << '\t' << grade << '\t'
                    << puzzles::gradeName(grade) << '\n';
            }
            return 0;
        }
        if (command == "rate")
            return rate(store, args);
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
        if (command == "generate" && !args.empty())
            return generate(store, args);
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
