#pragma once

// Helpers shared by the tests: a prompter that answers from a script, and libraries made on
// temporary files.

#include "play/prompter.h"
#include "store/puzzlestore.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zov::test {

// Answers input boxes from a queue (nothing queued counts as Cancel) and records everything
// it was asked and told.
class ScriptedPrompter : public Prompter
{
public:
    struct Asked
    {
        QString prompt, title, defaultText;
    };
    struct Told
    {
        QString prompt;
        MessageStyle style;
        QString title;
    };
    std::deque<std::optional<QString>> replies;
    // Runs while a box is open, to look at the window behind it.
    std::function<void()> whileAsking;
    std::vector<Asked> asked;
    std::vector<Told> told;

    std::optional<QString> inputBox(
        const QString &prompt, const QString &title, const QString &defaultText) override;
    void messageBox(const QString &prompt, MessageStyle style, const QString &title = {}) override;
};

// Puzzle `n` (1-based) of a library made by `numbered`: a few givens that name the number.
store::Puzzle samplePuzzle(int n, int clues = 30);
// A library at `path` with puzzles 1..count made by samplePuzzle.
void makeLibrary(const QString &path, int count, int clues = 30);
// A file name as the store takes it.
std::string path8(const QString &path);
// Writes `bytes` to `path`; false, with the reason on the test's log, where it cannot. Call it
// as QVERIFY(writeFile(...)), so that the test stops there.
[[nodiscard]] bool writeFile(const QString &path, const QByteArray &bytes);
// The project's source tree.
QString sourceDir();
// The public benchmark puzzle sets beside the project (../shared/bench/puzzles); the folder
// may be missing.
QString benchmarkSets();

// A program run to its end (one minute at most): how it ended and what it printed.
struct ProgramRun
{
    bool finished = false; // exited normally in time
    int status = -1;
    QString out, err;
};
ProgramRun runProgram(const QString &program, const QStringList &args);
// Why a test that needs these programs, which the build can do without, cannot run here:
// "mdb-ver (mdbtools) is not installed", with the package where its name is another; empty
// where every one of them is on the PATH.
// The package build lists their packages, so that there they run.
QString whyMissing(const QStringList &programs, const char *package);
// Why a test of the window's pixels cannot run here: the design face is missing (empty where
// it is installed). Without it the captions are drawn in a fallback face of other widths.
QString whyNoDesignFace();
// The library tool, as CTest hands it to the tests.
QString toolPath();

// Runs SQL on a file directly, outside the store (for odd files and for reading back).
QStringList sqlite(const QString &path, const QString &sql);
QByteArray fileBytes(const QString &path);

// A low limit on the size of files this process writes, as a full disk would set, lifted
// again when it goes.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(unsigned long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    unsigned long m_old;
};

// A solved grid in board order (index 1..81), and the same in text order.
extern const char *const SolvedText;
int solvedDigit(int cellIndex);

} // namespace zov::test
