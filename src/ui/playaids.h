#pragma once

// The aids a player turns on with a key, each off at every start and never stored: warnings of
// repeated digits, the cells of the focused cell's digit shaded, the time spent on the puzzle
// in the window's title, and a pause that stops the clock and hides the board. None of them
// changes what Done, Clear or the hints see: those read digits only.

#include "input/keys.h"
#include "play/clock.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace zov {

class Form1;
namespace input {
class CellBox;
}

// Over the cells while the game is paused: nothing of the board shows through.
class PauseCover : public QWidget
{
    Q_OBJECT
public:
    explicit PauseCover(QWidget *parent);

Q_SIGNALS:
    void goOn();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
};

class PlayAids : public QObject
{
    Q_OBJECT
public:
    explicit PlayAids(Form1 &form, Clock::Now now = &std::chrono::steady_clock::now);

    // One of the aids' keys: Warnings, SameDigit, Clock or Pause.
    void command(input::Command command);

    // A puzzle put on the board by New: its clock starts from nought.
    void puzzleStarted();
    // Done found it solved: the time stops where it stands.
    void puzzleSolved();
    // A puzzle is being typed in: no puzzle's time runs.
    void entering();

    bool warnings() const { return m_warnings; }
    bool sameDigit() const { return m_sameDigit; }
    bool clockShown() const { return m_clockShown; }
    bool paused() const { return m_cover != nullptr && m_cover->isVisible(); }
    const Clock &clock() const { return m_clock; }
    PauseCover *cover() const { return m_cover; }

    void setPaused(bool paused);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The clock stands still while the game is paused or its window minimized.
    void holdClock();
    // The board has changed, or the focus has moved: the marks follow.
    void refresh();
    void showTime();

    Form1 &m_form;
    Clock m_clock;
    QTimer m_tick;
    PauseCover *m_cover = nullptr;
    QPointer<QWidget> m_before; // where the focus was when the pause began
    QPointer<input::CellBox> m_last; // the cell whose digit is shaded
    bool m_warnings = false;
    bool m_sameDigit = false;
    bool m_clockShown = false;
    bool m_marked = false; // some cell carries a warning or a shade
};

} // namespace zov
