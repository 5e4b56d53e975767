#include "entry/puzzleentry.h"

#include "board/numbers.h"
#include "play/game.h"
#include "puzzles/rules.h"

namespace zov {
namespace {

QString describe(const puzzles::Repeat &r)
{
    switch (r.unit) {
    case puzzles::Repeat::Unit::Row:
        // Rows as players name them, row 1 at the top, as the hints and the cells' names do.
        return QStringLiteral("%1 is twice in row %2 (counted from the top).")
            .arg(r.digit)
            .arg(10 - r.number);
    case puzzles::Repeat::Unit::Column:
        return QStringLiteral("%1 is twice in column %2 (counted from the left).")
            .arg(r.digit)
            .arg(r.number);
    case puzzles::Repeat::Unit::Box:
        break;
    }
    static const char *const boxes[] = { "bottom-left", "bottom-middle", "bottom-right",
        "middle-left", "centre", "middle-right", "top-left", "top-middle", "top-right" };
    return QStringLiteral("%1 is twice in the %2 box.")
        .arg(r.digit)
        .arg(QLatin1String(boxes[(r.number - 1) % 9]));
}

// Why a typed puzzle could never be won, or nothing when it can.
std::optional<QString> whyUnplayable(const puzzles::Grid &grid)
{
    if (const auto repeat = puzzles::findRepeat(grid))
        return describe(*repeat);
    if (puzzles::countSolutions(grid, 1) == 0)
        return QStringLiteral("No solution exists: however the open cells are filled, some row, "
                              "column or box gets a digit twice.");
    return std::nullopt;
}

} // namespace

PuzzleEntry::PuzzleEntry(input::Board &board, store::PuzzleStore &store, Prompter &prompter)
    : m_board(board)
    , m_store(store)
    , m_prompter(prompter)
{
}

PuzzleEntry::Decision PuzzleEntry::refuse(const QString &why)
{
    m_prompter.messageBox(why, MessageStyle::Exclamation);
    return { Decision::Kind::Refused };
}

PuzzleEntry::Decision PuzzleEntry::enter()
{
    // Decide before anything changes, so that a refusal leaves the window in play untouched.
    const auto highest = m_store.highestGameNumber();
    if (!highest)
        return refuse(
            QStringLiteral("The next puzzle number cannot be read from the puzzle "
                           "library:\n%1\n\n%2")
                .arg(libraryName(m_store), QString::fromStdString(highest.error().reason)));
    if (*highest >= MaxGameNumber)
        return refuse(QStringLiteral("The puzzle library is full: puzzle numbers end at %1, so no "
                                     "further puzzle can be added.")
                          .arg(MaxGameNumber));
    const int next = *highest + 1;
    const input::Board::Action action(m_board);
    m_board.setText(0, QString::number(next));
    m_board.empty();
    return { Decision::Kind::Entered, next };
}

PuzzleEntry::Decision PuzzleEntry::save()
{
    store::Puzzle puzzle;
    for (CellIndex i = 1; i <= CellCount; ++i) {
        const QString text = m_board.text(i);
        if (!text.isEmpty())
            puzzle.push_back({ i, parseWhole(text.toStdString(), 1, 9).value_or(0) });
    }
    if (puzzle.empty())
        return { Decision::Kind::NothingToStore };
    const auto notStored = [this](const QString &why) {
        m_prompter.messageBox(QStringLiteral("The puzzle was not stored.\n\n%1\n\nYour digits are "
                                             "still on the board.")
                                  .arg(why),
            MessageStyle::Critical);
        return Decision { Decision::Kind::Refused };
    };
    if (const auto why = whyUnplayable(gridOf(m_board)))
        return notStored(*why);
    const int proposed
        = parseWhole(m_board.gameNumberText().toStdString(), 1, MaxGameNumber).value_or(0);
    const auto stored = m_store.appendPuzzles({ puzzle }, proposed);
    if (!stored)
        return notStored(
            QStringLiteral("%1\n(%2)")
                .arg(QString::fromStdString(stored.error().reason), libraryName(m_store)));
    if (*stored != proposed) {
        // Another program stored a puzzle under our number meanwhile; ours went to the next one.
        m_board.setText(0, QString::number(*stored));
        m_prompter.messageBox(QStringLiteral("Puzzle %1 was taken by another program meanwhile, "
                                             "so this puzzle was stored as puzzle %2.")
                                  .arg(proposed)
                                  .arg(*stored),
            MessageStyle::Information);
    }
    return { Decision::Kind::Stored, *stored };
}

} // namespace zov
