// In-process time of the player's actions (New at random, Clear, Done, storing an 81-digit
// puzzle; a note toggled, every cell's notes filled, a Clear undone) on a 1-puzzle and a
// 32000-puzzle library, with the modal boxes answered at once. Medians over many runs; the two
// libraries are measured interleaved.

#include "store/puzzlestore.h"
#include "ui/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace zov;
using Clock = std::chrono::steady_clock;

namespace {

class Answering : public Prompter
{
public:
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return QStringLiteral("1");
    }
    void messageBox(const QString &, MessageStyle, const QString &) override { }
};

double timeMs(const std::function<void()> &action)
{
    const auto t0 = Clock::now();
    action();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

QString makeLibrary(const QString &dir, int count)
{
    const QString path = dir + QStringLiteral("/lib%1.mdb").arg(count);
    std::vector<store::Puzzle> list;
    for (int n = 0; n < count; ++n) {
        store::Puzzle p;
        for (int i = 1; i <= 81; i += 3)
            p.push_back({ i, (i * 7) % 9 + 1 });
        list.push_back(p);
    }
    (void)store::PuzzleStore::create(QFile::encodeName(path).toStdString(), list);
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Answering answers;
    struct Subject
    {
        const char *name;
        std::unique_ptr<Form1> form;
        // The same file as the window's, opened the same way.
        std::optional<store::PuzzleStore> store;
        std::vector<double> newMs, clearMs, doneMs, storeMs, noteMs, fillMs, undoMs;
    };
    std::vector<Subject> subjects;
    for (int count : { 1, 32000 }) {
        const QString path = makeLibrary(dir.path(), count);
        auto form = std::make_unique<Form1>(path, answers);
        auto store = store::PuzzleStore::open(QFile::encodeName(path).toStdString());
        if (!form->Load() || !store)
            return 1;
        subjects.push_back({ count == 1 ? "1 puzzle" : "32000 puzzles", std::move(form),
            std::move(*store), {}, {}, {}, {}, {}, {}, {} });
    }
    const int runs = argc > 1 ? std::atoi(argv[1]) : 201;
    for (int r = 0; r < runs; ++r)
        for (auto &s : subjects) {
            Form1 &f = *s.form;
            f.chkShuffle->setChecked(true);
            input::Board &b = f.board();
            // New as the window runs it: a new puzzle and a new history.
            s.newMs.push_back(timeMs([&] { f.game()->newGame(Game::Pick::AtRandom); }));
            const int open = 2; // an open cell of the benchmark's puzzles
            s.noteMs.push_back(timeMs([&] { b.toggleNote(open, 4); }));
            s.fillMs.push_back(timeMs([&] { b.fillNotes(); }));
            {
                const input::Board::Action typing(b);
                for (int i = 1; i <= 81; ++i)
                    if (b.text(i).isEmpty())
                        b.setText(i, QStringLiteral("5"));
            }
            s.clearMs.push_back(timeMs([&] { f.game()->clear(); }));
            s.undoMs.push_back(timeMs([&] { b.undo(); }));
            // Done, and the next New, start from the board they started from before undo was.
            f.game()->clear();
            s.doneMs.push_back(timeMs([&] { f.game()->done(); }));
        }
    // Storing comes last: the 81-digit puzzles it adds would otherwise be drawn by New, and the
    // small library would load full boards where the large one loads ordinary puzzles.
    for (int r = 0; r < 60; ++r)
        for (auto &s : subjects) {
            Form1 &f = *s.form;
            f.chkAddMode->setChecked(true);
            for (int i = 1; i <= 81; ++i)
                f.board().setText(i, QString::number((i * 5) % 9 + 1));
            store::Puzzle p;
            for (int i = 1; i <= 81; ++i)
                p.push_back({ i, (i * 5) % 9 + 1 });
            s.storeMs.push_back(timeMs([&] { (void)s.store->appendPuzzles({ p }); }));
            f.chkAddMode->setChecked(false);
        }
    std::printf("in-process time of each action, median of %d runs (store: 60 runs)\n", runs);
    for (auto &s : subjects) {
        std::printf("  %-14s New %.3f ms, Clear %.3f ms, Done %.3f ms, store 81 digits %.3f ms\n",
            s.name, median(s.newMs), median(s.clearMs), median(s.doneMs), median(s.storeMs));
        const double n = median(s.newMs);
        std::printf("  %-14s note toggled %.4f ms (x%.3f New), notes filled %.3f ms (x%.3f), "
                    "Clear undone %.3f ms (x%.3f), Clear x%.3f\n",
            "", median(s.noteMs), median(s.noteMs) / n, median(s.fillMs), median(s.fillMs) / n,
            median(s.undoMs), median(s.undoMs) / n, median(s.clearMs) / n);
    }
    return 0;
}
