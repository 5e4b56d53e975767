#pragma once

// Play on the board: New game with ApplyGivens, Clear and the verdict of Done.

#include "input/board.h"
#include "play/prompter.h"
#include "puzzles/sudoku.h"
#include "store/puzzlestore.h"

#include <functional>
#include <random>
#include <vector>

namespace zov {

// The numbers the cells show, in the text order of the solver; an empty cell counts 0.
puzzles::Grid gridOf(const input::Board &board);
// The library's file as messages to the player name it.
QString libraryName(const store::PuzzleStore &store);

class Game
{
public:
    Game(input::Board &board, store::PuzzleStore &store, Prompter &prompter);

    // Seeds the random draw; start-up seeds it from the clock once.
    void seed(std::uint64_t value) { m_rng.seed(value); }

    enum class Pick { AtRandom, Asked };
    // Empties the board, chooses a number (at random, or asked for), shows it and its givens.
    // Cancelling the question or a store failure puts the board back as it was; false then.
    // Each of these is one action on the board.
    bool newGame(Pick pick);
    // The current puzzle's digits, in text order: its rows whose number is the one the
    // game-number box shows. The one place that reads the givens out of the rows.
    puzzles::Grid givens() const;
    // Writes givens() into their cells.
    void ApplyGivens();
    // The givens back, every other cell emptied and every note gone; colours stay.
    void clear();
    // The givens back, then "Congratulations" or "Sorry".
    void done();
    // Called as Done finds the puzzle solved, before "Congratulations" is shown.
    void setOnSolved(std::function<void()> solved) { m_onSolved = std::move(solved); }
    // True when each row, box and column holds each digit 1 to 9 once.
    bool solved() const;

    GameNumber current() const { return m_current; }
    const std::vector<store::GameRow> &rsCurrentGame() const { return m_rsCurrentGame; }

private:
    // A puzzle number and its rows, chosen for the next New.
    struct Choice
    {
        int number = 0;
        std::vector<store::GameRow> rows;
    };
    enum class Load { Found, Empty, Failed };
    // Puzzle n's rows go to `choice` when it has givens; a store error is reported.
    Load tryLoad(int n, std::optional<Choice> &choice);
    std::optional<Choice> drawNumber(int highest);
    std::optional<Choice> askNumber(int highest);
    void reportStoreError(const store::Error &e);

    input::Board &m_board;
    store::PuzzleStore &m_store;
    Prompter &m_prompter;
    std::mt19937_64 m_rng;
    GameNumber m_current = 0;
    std::vector<store::GameRow> m_rsCurrentGame;
    std::function<void()> m_onSolved;
};

} // namespace zov
