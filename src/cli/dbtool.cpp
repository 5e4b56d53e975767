#include "cli/dbtool.h"

#include "board/cells.h"
#include "board/identity.h"
#include "board/numbers.h"
#include "cli/commands.h"
#include "puzzles/grader.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <iostream>
#include <limits>

namespace zov::cli {
namespace {

constexpr std::string_view Name = ToolName;
constexpr char Grades[]
    = "Grades: 1 hidden-singles, 2 naked-singles, 3 locked-candidates, 4 subsets, 5 fish,\n"
      "6 wings, 7 chains, 8 forcing, 9 trial (guessing, which no library grade needs);\n"
      "0 invalid: no solution or more than one.\n";

std::string range(int lo, int hi) { return std::to_string(lo) + " to " + std::to_string(hi); }

// A whole number in [lo, hi], read by the project's one number parser and handed on in plain
// decimal, so that CLI11's own conversion (which reads 010 as 8) sees nothing to reinterpret.
CLI::Validator wholeIn(int lo, int hi)
{
    return CLI::Validator(
        [lo, hi](std::string &text) -> std::string {
            const auto value = parseWhole(text, lo, hi);
            if (!value)
                return "a whole number from " + range(lo, hi) + " is needed, not '" + text + "'";
            text = std::to_string(*value);
            return {};
        },
        "in [" + std::to_string(lo) + " - " + std::to_string(hi) + "]");
}

// "N" or "N-M", each a puzzle number.
NumberRange numberRange(const std::string &text)
{
    const auto dash = text.find('-', 1);
    const auto first = parseWhole(text.substr(0, dash), 1, MaxGameNumber);
    const auto last = dash == std::string::npos
        ? first
        : parseWhole(std::string_view(text).substr(dash + 1), 1, MaxGameNumber);
    if (!first || !last)
        throw CLI::ValidationError("RANGE",
            "a puzzle number N or a range N-M of numbers from " + range(1, MaxGameNumber)
                + " is needed, not '" + text + "'");
    if (*first > *last)
        throw CLI::ValidationError("RANGE",
            "'" + text + "' runs the wrong way round: write " + std::to_string(*last) + "-"
                + std::to_string(*first));
    return { *first, *last };
}

// One run of the tool: what the command line asks for, where the command writes, and its status.
struct Session
{
    Request req;
    Streams io;
    int status = 0;
};

// A check across a subcommand's options, made before its command runs; it throws
// CLI::ValidationError, a usage error.
using Check = std::function<void(const Request &)>;

// A subcommand whose callback runs `run`: CLI11 calls it once the whole command line is parsed
// and every option is set, so each command is declared and dispatched in this one place.
CLI::App *command(CLI::App &app, Session &s, Command run, const char *name, const std::string &what,
    Check check = {})
{
    CLI::App *sub = app.add_subcommand(name, what);
    sub->callback([&s, run, check = std::move(check)] {
        if (check)
            check(s.req);
        s.status = run(s.req, s.io);
    });
    return sub;
}

void addRanges(CLI::App &sub, Request &req, const std::string &what)
{
    sub.add_option_function<std::vector<std::string>>(
           "RANGE",
           [&req](const std::vector<std::string> &list) {
               for (const auto &text : list)
                   req.ranges.push_back(numberRange(text));
           },
           what)
        ->type_name("N|N-M");
}

CLI::Option *addFormat(CLI::App &sub, Request &req, const std::string &what)
{
    return sub
        .add_option_function<std::string>(
            "--format",
            [&req](const std::string &name) { req.format = puzzles::formatNamed(name); }, what)
        ->check(CLI::IsMember(std::vector<std::string>(
            std::begin(puzzles::FormatNames), std::end(puzzles::FormatNames))))
        ->type_name("FORMAT");
}

void addNumber(CLI::App &sub, Request &req, const std::string &what)
{
    sub.add_option("N", req.number, what)
        ->required()
        ->type_name("N")
        ->transform(wholeIn(1, MaxGameNumber));
}

void addLibraryCommands(CLI::App &app, Session &s)
{
    Request &req = s.req;
    command(app, s, cli::where, "where", "print the path of the library used without --db");
    command(app, s, cli::list, "list", "puzzle numbers, their clue counts and grades");
    addNumber(*command(app, s, cli::show, "show", "puzzle N as a grid, top row first"), req,
        "the puzzle's number");
    command(app, s, cli::check, "check",
        "check every row and puzzle: numbers without gaps, no digit twice in a row, column or "
        "box, exactly one solution");
    addNumber(*command(app, s, cli::solve, "solve", "the solution of puzzle N"), req,
        "the puzzle's number");
    auto *jet = command(app, s, cli::importJet, "import-jet",
        "convert a library of the earlier version in place; the original is kept");
    jet->add_option("FILE", req.file, "the library to convert")->required()->type_name("FILE");
}

void addTextCommands(CLI::App &app, Session &s)
{
    Request &req = s.req;
    const std::string formats = "puzzle text format: line, sdk or ss (default: judged from the "
                                "content)";
    auto *create
        = command(app, s, cli::create, "create", "make a new library, empty or from a puzzle file");
    create->add_option("--from", req.file, "the puzzle file to fill it from ('-': standard input)")
        ->type_name("FILE");
    addFormat(*create, req, formats);
    auto *import
        = command(app, s, cli::importFile, "import", "append the puzzles of a puzzle file");
    import->add_option("FILE", req.file, "the puzzle file ('-': standard input)")
        ->required()
        ->type_name("FILE");
    addFormat(*import, req, formats);
    auto *exported = command(
        app, s, cli::exportPuzzles, "export", "puzzles as text, every one or those asked for");
    addRanges(*exported, req, "puzzle numbers N or ranges N-M (default: every puzzle)");
    addFormat(*exported, req, "line (81 characters, the default), sdk or ss");
    exported->add_option("-o,--output", req.output, "the file to write ('-': standard output)")
        ->type_name("FILE");
}

void addRate(CLI::App &app, Session &s)
{
    Request &req = s.req;
    auto *rate = command(app, s, cli::rate, "rate",
        "the grade of puzzle N, of every puzzle, or of each puzzle of a file, and how often each "
        "technique was needed");
    rate->footer(Grades);
    auto *number = rate->add_option("N", req.number, "the puzzle's number (default: every one)")
                       ->type_name("N")
                       ->transform(wholeIn(1, MaxGameNumber));
    auto *file
        = rate->add_option("--file", req.file,
                  "rate the puzzles of this file, by line, without a library ('-': standard input)")
              ->type_name("FILE")
              ->excludes(number);
    addFormat(*rate, req, "the file's format: line, sdk or ss (default: judged from the content)")
        ->needs(file);
}

void addExplain(CLI::App &app, Session &s)
{
    Request &req = s.req;
    auto *explain = command(app, s, cli::explain, "explain",
        "puzzle N's whole logical path (or every puzzle's, or each of a file's) under its grade, "
        "as numbered steps in the hints' words, each starting with its technique's name and "
        "ending with its notation: r4c6=7 places a 7, r1c6-5 removes a 5");
    auto *number = explain->add_option("N", req.number, "the puzzle's number (default: every one)")
                       ->type_name("N")
                       ->transform(wholeIn(1, MaxGameNumber));
    auto *file = explain
                     ->add_option("--file", req.file,
                         "explain the puzzles of this file, by line, without a library ('-': "
                         "standard input)")
                     ->type_name("FILE")
                     ->excludes(number);
    explain
        ->add_option("--board", req.board,
            "explain from this board of 81 characters instead, its digits taken as givens")
        ->type_name("TEXT")
        ->excludes(number)
        ->excludes(file);
    addFormat(
        *explain, req, "the file's format: line, sdk or ss (default: judged from the content)")
        ->needs(file);
    explain
        ->add_option("-o,--output", req.pictures,
            "also draw every step beyond the singles as a small board with the hint's marks, "
            "into FILE.pdf or FILE.svg")
        ->type_name("FILE")
        ->check(CLI::Validator(
            [](std::string &f) -> std::string {
                const auto ext = f.size() > 4 ? f.substr(f.size() - 4) : std::string();
                return ext == ".pdf" || ext == ".svg" ? "" : "must end in .pdf or .svg";
            },
            "FILE.pdf|FILE.svg"));
}

void addGenerate(CLI::App &app, Session &s)
{
    Request &req = s.req;
    const auto gradesInOrder = [](const Request &r) {
        if (r.gradeFrom && *r.gradeFrom > *r.gradeTo)
            throw CLI::ValidationError("--grade-from", "must not be above --grade-to");
    };
    auto *gen = command(app, s, cli::generate, "generate",
        "append COUNT new half-turn symmetric puzzles with one solution; with grades, in equal "
        "shares per grade from the easiest",
        gradesInOrder);
    gen->footer(Grades);
    gen->add_option("COUNT", req.count, "how many")
        ->type_name("N")
        ->required()
        ->transform(wholeIn(1, MaxGameNumber));
    // The grades a library climbs: trial is only where none of them finishes a puzzle.
    const auto grade = wholeIn(1, puzzles::LibraryGrades);
    auto *from = gen->add_option_function<int>(
                        "--grade-from", [&req](int g) { req.gradeFrom = g; }, "the easiest grade")
                     ->type_name("G")
                     ->transform(grade);
    auto *to = gen->add_option_function<int>(
                      "--grade-to", [&req](int g) { req.gradeTo = g; }, "the hardest grade")
                   ->type_name("G")
                   ->transform(grade);
    from->needs(to);
    to->needs(from);
    gen->add_option_function<int>(
           "--grade", [&req](int g) { req.gradeFrom = req.gradeTo = g; }, "only this grade")
        ->type_name("G")
        ->transform(grade)
        ->excludes(from)
        ->excludes(to);
    gen->add_option_function<int>(
           "--seed", [&req](int s) { req.seed = s; }, "seed of the random numbers")
        ->type_name("S")
        ->transform(wholeIn(0, std::numeric_limits<int>::max()));
}

void addPrint(CLI::App &app, Session &s)
{
    Request &req = s.req;
    auto *print = command(app, s, cli::print, "print", "printable puzzle sheets as PDF or SVG");
    addRanges(*print, req, "puzzle numbers N or ranges N-M");
    print->get_option("RANGE")->required();
    print
        ->add_option_function<std::string>(
            "-o,--output",
            [&req](const std::string &file) {
                req.output = file;
                const bool svg = file.size() > 4 && file.substr(file.size() - 4) == ".svg";
                req.sheet.format = svg ? SheetFormat::Svg : SheetFormat::Pdf;
            },
            "FILE.pdf or FILE.svg ('-': PDF on standard output)")
        ->type_name("FILE")
        ->required()
        ->check(CLI::Validator(
            [](std::string &file) -> std::string {
                const auto ext = file.size() > 4 ? file.substr(file.size() - 4) : std::string();
                return file == "-" || ext == ".pdf" || ext == ".svg"
                    ? std::string()
                    : "the file's name must end in .pdf or .svg, not '" + file + "'";
            },
            "FILE.pdf|FILE.svg"));
    print
        ->add_option("--per-page", req.sheet.perPage, "puzzles on a page: 1, 2, 4 or 6 (default 1)")
        ->type_name("N")
        ->transform(wholeIn(std::begin(PageSizes)[0], std::end(PageSizes)[-1]))
        ->check(CLI::IsMember(std::vector<int>(std::begin(PageSizes), std::end(PageSizes))));
    print
        ->add_option_function<std::string>(
            "--paper",
            [&req](const std::string &p) {
                req.sheet.paper = p == "letter" ? Paper::Letter : Paper::A4;
            },
            "a4 (the default) or letter")
        ->check(CLI::IsMember({ "a4", "letter" }))
        ->type_name("PAPER");
    print->add_flag(
        "--solutions", req.sheet.solutions, "the solutions follow, smaller, on pages of their own");
}

void define(CLI::App &app, Session &s)
{
    Request &req = s.req;
    app.set_version_flag("--version", std::string(Name) + " " + ZOVUDEDODA_VERSION);
    app.require_subcommand(1);
    // Subcommands hand what they do not know to the main command: --db goes anywhere.
    app.fallthrough();
    app.add_option_function<std::string>(
           "--db",
           [&req](const std::string &path) {
               req.db = path;
               req.gameLibrary.reset();
           },
           "the library to work on (default: the game's own)")
        ->type_name("PATH");
    addLibraryCommands(app, s);
    addTextCommands(app, s);
    addRate(app, s);
    addExplain(app, s);
    addGenerate(app, s);
    addPrint(app, s);
    // Set last: subcommands would inherit it.
    app.footer(std::string(Grades)
        + "Without --db the game's own library is used, made from the default one if missing.\n"
          "A usage error exits with 2, a failure with 1.");
}

int usageError(const CLI::App &app, const CLI::ParseError &e, std::ostream &err)
{
    const auto used = app.get_subcommands();
    const std::string command = used.empty() ? std::string() : used.front()->get_name();
    const auto left = app.remaining();
    const std::string what = command.empty() && !left.empty() && left.front().front() != '-'
        ? "no such command: '" + left.front() + "'"
        : e.what();
    err << Name << ": " << (command.empty() ? "" : command + ": ") << what << '\n'
        << "Run '" << Name << (command.empty() ? "" : " " + command)
        << " --help' for the options.\n";
    return 2;
}

} // namespace

int runDbTool(const std::vector<std::string> &args, const std::string &defaultDb, std::ostream &out,
    std::ostream &err)
{
    return runDbTool(args, store::LibraryPlace { defaultDb, {}, true }, out, err);
}

int runDbTool(const std::vector<std::string> &args, const store::LibraryPlace &gameLibrary,
    std::ostream &out, std::ostream &err)
{
    return runDbTool(args, gameLibrary, out, err, std::cin);
}

int runDbTool(std::vector<std::string> args, const store::LibraryPlace &gameLibrary,
    std::ostream &out, std::ostream &err, std::istream &in)
{
    Session session { {}, { in, out, err }, 0 };
    session.req.db = gameLibrary.path;
    session.req.gameLibrary = gameLibrary;
    CLI::App app("Work on the puzzle library of zovudedoda.", std::string(Name));
    define(app, session);
    // "help" and "help COMMAND", as the earlier tool understood them.
    const std::ptrdiff_t first = args.size() >= 2 && args[0] == "--db" ? 2 : 0;
    if (std::ssize(args) > first && args[static_cast<std::size_t>(first)] == "help") {
        args.erase(args.begin() + first);
        args.push_back("--help");
    }
    std::reverse(args.begin(), args.end()); // CLI11 takes them last first
    // The chosen subcommand's callback runs the command at the end of parsing.
    try {
        app.parse(args);
    } catch (const CLI::ParseError &e) {
        if (e.get_exit_code() == 0)
            return app.exit(e, out, err);
        return usageError(app, e, err);
    }
    return session.status;
}

} // namespace zov::cli
