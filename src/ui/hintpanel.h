#pragma once

// The hint panel: the easiest next step, told a level at a time beside the window and drawn on
// the board, while the board stays playable. More (or Ctrl+H again) tells more; Apply takes the
// step as one undo step; Close or Escape hide the panel and its drawing. The hint stays while
// it holds on the board as the player changes it; when it no longer does, the panel says so
// and offers the next one.

#include "ui/hintlayer.h"

#include "input/board.h"
#include "play/game.h"
#include "puzzles/hints/hint.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QScrollArea;
class QShortcut;

namespace zov {

// Where the panel goes, as frame rectangles: beside `window`, on the first side of `room` (the
// screen's free area; right, left, below, above) where it shows whole at `width` or as narrow
// as the side leaves, no less than `least`; else on the side that shows the most of it; else
// in the screen's bottom right corner, `least` wide. Always inside `room`. `heightFor` is its
// height at a width.
QRect panelPlace(const QRect &room, const QRect &window, int width, QSize least,
    const std::function<int(int)> &heightFor);

class HintPanel : public QDialog
{
    Q_OBJECT
public:
    HintPanel(input::Board &board, const Game &game, QWidget *parent);
    ~HintPanel() override;

    // Ctrl+H: the next level of the hint shown, the same level when the panel was closed on a
    // hint that still holds, else a new hint.
    void ask();
    // A new hint for the board as it is, from its first level.
    void next();
    // Shows `hint`, given on the board as it is, from its first level.
    void showHint(puzzles::hints::Hint hint);

    enum class State { Showing, Wrong, Applied, None };
    State state() const { return m_state; }
    int level() const { return m_level; }
    const std::optional<puzzles::hints::Hint> &hint() const { return m_hint; }
    // The words of the level shown last, and everything the panel says.
    QString levelText() const;
    QString shownText() const;

    QLabel *text() const { return m_text; }
    QLabel *status() const { return m_status; }
    QScrollArea *scroller() const { return m_scroller; }
    QPushButton *more() const { return m_more; }
    QPushButton *apply() const { return m_apply; }
    QPushButton *nextButton() const { return m_next; }
    QPushButton *closeButton() const { return m_close; }
    HintLayer *layer() const { return m_layer; }

    void reject() override;

Q_SIGNALS:
    // A level's words, as they appear; a screen reader is told them too.
    void levelShown(const QString &words);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void tell(int level);
    void takeStep();
    void boardChanged();
    void setState(State s, const QString &said = {});
    void showBeside();
    void appear();
    void draw(const puzzles::hints::Drawing &drawing);
    void say(const QString &words);
    // The panel's height at a width, frame left out, with all its text shown.
    int heightFor(int width) const;

    input::Board &m_board;
    const Game &m_game;
    std::optional<puzzles::hints::Hint> m_hint;
    puzzles::Position m_at; // the board the hint was given on
    State m_state = State::None;
    int m_level = 0;
    bool m_applying = false;
    // Over the board, which may go first when the window closes.
    QPointer<HintLayer> m_layer;
    QShortcut *m_escape = nullptr;
    QLabel *m_text = nullptr;
    QLabel *m_status = nullptr;
    QScrollArea *m_scroller = nullptr;
    QPushButton *m_more = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_default = nullptr; // the one Return presses
};

} // namespace zov
