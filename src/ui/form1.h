#pragma once

// The main window: the board, the game-number box, the column of buttons and the "About" menu.
// It lays out and wires; the rules live in Board, Game and PuzzleEntry.

#include "entry/puzzleentry.h"
#include "input/board.h"
#include "play/game.h"
#include "store/location.h"
#include "store/puzzlestore.h"

#include <QMainWindow>
#include <memory>
#include <optional>

class QAction;
class QKeyEvent;
class QCheckBox;
class QLabel;
class QPushButton;

namespace zov {

class HintPanel;
class PlayAids;

class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    // Plays on the library at `library`, made there from its seed on the first start.
    Form1(store::LibraryPlace library, Prompter &prompter, QWidget *parent = nullptr);
    Form1(const QString &libraryPath, Prompter &prompter, QWidget *parent = nullptr);
    ~Form1() override;

    // Opens the puzzle library and puts the first puzzle on the board. False, after telling the
    // player why, when the library cannot be used.
    bool Load();
    // Centred on the screen, with the focus in cell 1.
    void showCentred();

    input::Board &board() { return *m_board; }
    Game *game() { return m_game.get(); }
    // The hint panel, once Ctrl+H has opened it.
    HintPanel *hintPanel() const { return m_hints; }
    // The aids the player turns on with their keys (warnings, shading, clock, pause).
    PlayAids &aids() const { return *m_aids; }

    QCheckBox *chkShuffle = nullptr;
    QPushButton *cmdNew = nullptr;
    QPushButton *cmdClear = nullptr;
    QPushButton *cmdDone = nullptr;
    QCheckBox *chkAddMode = nullptr;
    QPushButton *cmdSave = nullptr;
    QLabel *Label1 = nullptr;
    QAction *mnuAbout = nullptr;

    // The list of keys, in the keys window (F1).
    static QString keysText();

protected:
    // Keys of the window's own that reach it from a button or check box; the cells hand theirs
    // over through the board.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void command(input::Command command);
    void cmdNewClick();
    void chkAddModeClick();
    void cmdSaveClick();
    // Play and puzzle entry each have their own buttons.
    void setPlayControlsEnabled(bool play);
    void mnuAboutClick();

    store::LibraryPlace m_place;
    Prompter &m_prompter;
    input::Board *m_board = nullptr;
    std::optional<store::PuzzleStore> m_store;
    std::unique_ptr<Game> m_game;
    std::unique_ptr<PuzzleEntry> m_entry;
    HintPanel *m_hints = nullptr;
    PlayAids *m_aids = nullptr;
};

} // namespace zov
