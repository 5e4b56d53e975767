#include "play/game.h"

#include "board/numbers.h"

#include <QDir>
#include <QFile>

#include <chrono>

namespace zov {
namespace {

bool hasGivens(const std::vector<store::GameRow> &rows)
{
    for (const auto &row : rows)
        if (row.wellFormed())
            return true;
    return false;
}

} // namespace

puzzles::Grid gridOf(const input::Board &board)
{
    puzzles::Grid grid {};
    for (std::size_t p = 0; p < grid.size(); ++p) {
        const QString text = board.text(cellOfTextPosition(static_cast<int>(p)));
        grid[p] = static_cast<std::uint8_t>(parseWhole(text.toStdString(), 1, 9).value_or(0));
    }
    return grid;
}

QString libraryName(const store::PuzzleStore &store)
{
    return QDir::toNativeSeparators(QFile::decodeName(store.path().c_str()));
}

Game::Game(input::Board &board, store::PuzzleStore &store, Prompter &prompter)
    : m_board(board)
    , m_store(store)
    , m_prompter(prompter)
    , m_rng(static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()))
{
}

bool Game::newGame(Pick pick)
{
    const input::Board::Action action(m_board);
    m_board.empty();
    const auto highest = m_store.highestGameNumber();
    std::optional<Choice> chosen;
    if (!highest)
        reportStoreError(highest.error());
    else
        chosen = pick == Pick::AtRandom ? drawNumber(*highest) : askNumber(*highest);
    if (!chosen) {
        m_board.rollback();
        return false;
    }
    m_current = static_cast<GameNumber>(chosen->number);
    m_board.setText(0, QString::number(m_current));
    m_rsCurrentGame = std::move(chosen->rows);
    ApplyGivens();
    for (CellIndex i = 1; i <= CellCount; ++i)
        if (!m_board.text(i).isEmpty())
            m_board.setBackColour(i, GivenColour);
    // A new puzzle starts a history of its own.
    m_board.resetHistory();
    return true;
}

Game::Load Game::tryLoad(int n, std::optional<Choice> &choice)
{
    auto rows = m_store.puzzle(n);
    if (!rows) {
        reportStoreError(rows.error());
        return Load::Failed;
    }
    if (!hasGivens(*rows))
        return Load::Empty;
    choice = Choice { n, std::move(*rows) };
    return Load::Found;
}

std::optional<Game::Choice> Game::drawNumber(int highest)
{
    // A library with gaps has numbers without rows: draw again a few times, then take the first
    // number that has a puzzle.
    constexpr int Draws = 20;
    std::uniform_int_distribution<int> pick(1, highest);
    for (int k = 0; k < Draws + highest; ++k) {
        const int n = k < Draws ? pick(m_rng) : k - Draws + 1;
        std::optional<Choice> choice;
        switch (tryLoad(n, choice)) {
        case Load::Found:
            return choice;
        case Load::Failed:
            return std::nullopt;
        case Load::Empty:
            break;
        }
    }
    m_prompter.messageBox(QStringLiteral("The puzzle library holds no playable puzzle:\n%1")
                              .arg(libraryName(m_store)),
        MessageStyle::Critical);
    return std::nullopt;
}

std::optional<Game::Choice> Game::askNumber(int highest)
{
    const QString prompt = QStringLiteral("Select Game No.1-") + QString::number(highest);
    QString defaultText = QString::number(m_current);
    for (;;) {
        const auto reply = m_prompter.inputBox(prompt, WindowCaption, defaultText);
        if (!reply)
            return std::nullopt;
        const QString typed = reply->trimmed();
        const auto n = static_cast<std::size_t>(typed.size()) <= GameNumberLength
            ? parseWhole(typed.toStdString(), 1, highest)
            : std::nullopt;
        QString problem;
        if (n) {
            std::optional<Choice> choice;
            const Load loaded = tryLoad(*n, choice);
            if (loaded == Load::Found)
                return choice;
            if (loaded == Load::Failed)
                return std::nullopt;
            problem = QStringLiteral("There is no puzzle %1 in the library. ").arg(*n);
        }
        m_prompter.messageBox(
            problem + QStringLiteral("Please type a game number from 1 to %1.").arg(highest),
            MessageStyle::Exclamation);
        defaultText = *reply;
    }
}

puzzles::Grid Game::givens() const
{
    puzzles::Grid g {};
    const QString shown = m_board.gameNumberText();
    for (const auto &row : m_rsCurrentGame)
        // Rows outside the record format are passed over, never applied.
        if (row.wellFormed() && QString::number(*row.gameNo) == shown)
            g[static_cast<std::size_t>(textPositionOf(*row.index))]
                = static_cast<std::uint8_t>(*row.number);
    return g;
}

void Game::ApplyGivens()
{
    const input::Board::Action action(m_board);
    const puzzles::Grid g = givens();
    for (std::size_t p = 0; p < g.size(); ++p)
        if (g[p])
            m_board.setText(cellOfTextPosition(static_cast<int>(p)), QString::number(g[p]));
}

void Game::clear()
{
    const input::Board::Action action(m_board);
    ApplyGivens();
    for (CellIndex i = 1; i <= CellCount; ++i) {
        if (m_board.backColour(i) != GivenColour)
            m_board.setText(i, QString());
        // Notes are entries too.
        m_board.clearNotes(i);
    }
}

bool Game::solved() const { return puzzles::isSolved(gridOf(m_board)); }

void Game::done()
{
    {
        // Done writes back a given that was overtyped: a step of its own for undo.
        const input::Board::Action action(m_board);
        ApplyGivens();
    }
    if (solved()) {
        if (m_onSolved)
            m_onSolved();
        m_prompter.messageBox(QStringLiteral("Congratulations"), MessageStyle::Plain);
    } else
        m_prompter.messageBox(QStringLiteral("Sorry"), MessageStyle::Critical);
}

void Game::reportStoreError(const store::Error &e)
{
    m_prompter.messageBox(QStringLiteral("The puzzle library cannot be read:\n%1\n\n%2")
                              .arg(libraryName(m_store), QString::fromStdString(e.reason)),
        MessageStyle::Critical);
}

} // namespace zov
