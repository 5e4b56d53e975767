#include "ui/announcer.h"

#include "ui/form1.h"
#include "ui/speaker.h"

#include "input/cellaccessible.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

namespace zov {

using input::CellBox;
namespace spoken = input::spoken;

namespace {

QString words(const std::string &s) { return QString::fromStdString(s); }

int digitOfText(const QString &text)
{
    if (text.size() == 1 && text.front() >= QLatin1Char('1') && text.front() <= QLatin1Char('9'))
        return text.front().unicode() - u'0';
    return 0;
}

} // namespace

Announcer::Announcer(Form1 &form)
    : QObject(&form)
    , m_form(form)
{
    input::Board &board = form.board();
    for (CellIndex i = 1; i <= CellCount; ++i)
        board.cell(i)->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (auto *cell = qobject_cast<CellBox *>(now); cell && cell->window() == &m_form)
            m_last = cell;
    });
    connect(&board, &input::Board::commandKey, this, &Announcer::read);
    // Connected after the window's own handlers, so these run once the action is done.
    connect(form.cmdNew, &QPushButton::pressed, this, [this] {
        m_beforeNew = cells();
        m_numberBeforeNew = m_form.game() ? m_form.game()->current() : 0;
        const auto &history = m_form.board().history();
        m_historyBeforeNew = history.canUndo() || history.canRedo();
    });
    connect(form.cmdNew, &QPushButton::clicked, this, [this] {
        const int n = m_form.game() ? m_form.game()->current() : 0;
        // A cancelled New leaves everything as it was, the history too; a new puzzle starts a
        // history of its own (the same puzzle drawn again on an untouched board is told as new).
        const auto &history = m_form.board().history();
        const bool kept = n == m_numberBeforeNew && changed(m_beforeNew, cells()).empty()
            && m_historyBeforeNew && (history.canUndo() || history.canRedo());
        backToCell(words(kept ? "no new puzzle" : spoken::puzzleLoaded(n, givens())));
    });
    connect(form.cmdClear, &QPushButton::clicked, this,
        [this] { backToCell(words(spoken::boardCleared(givens()))); });
    connect(form.cmdDone, &QPushButton::clicked, this, [this] { backToCell(QString()); });
    connect(form.cmdSave, &QPushButton::clicked, this, [this] { backToCell(QString()); });
    connect(form.mnuAbout, &QAction::triggered, this, [this] { backToCell(QString()); });
}

CellBox *Announcer::lastCell() const { return m_last ? m_last.data() : m_form.board().cell(1); }

Announcer::Cells Announcer::cells() const
{
    Cells all {};
    for (CellIndex i = 1; i <= CellCount; ++i)
        all[static_cast<std::size_t>(i)] = input::spokenCell(*m_form.board().cell(i));
    return all;
}

std::vector<spoken::Change> Announcer::changed(const Cells &before, const Cells &after) const
{
    std::vector<spoken::Change> out;
    for (CellIndex i = 1; i <= CellCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        // Notes are heard only while a cell is empty.
        spoken::Cell b = before[k];
        spoken::Cell a = after[k];
        if (b.digit)
            b.notes = 0;
        if (a.digit)
            a.notes = 0;
        if (a != b)
            out.push_back({ i, b, a });
    }
    return out;
}

int Announcer::givens() const
{
    int n = 0;
    for (CellIndex i = 1; i <= CellCount; ++i)
        n += m_form.board().backColour(i) == GivenColour && !m_form.board().text(i).isEmpty();
    return n;
}

bool Announcer::eventFilter(QObject *watched, QEvent *event)
{
    auto *cell = qobject_cast<CellBox *>(watched);
    if (m_resending || !cell || event->type() != QEvent::KeyPress || !cell->isEnabled())
        return QObject::eventFilter(watched, event);
    // The key goes on its way first, through the board and the cell, dialogs and all; then the
    // board tells what it did.
    auto *key = static_cast<QKeyEvent *>(event);
    const Cells before = cells();
    const int code = key->key();
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    const quint32 scanCode = key->nativeScanCode();
    const QString typed = key->text();
    QPointer<CellBox> alive(cell);
    m_resending = true;
    QCoreApplication::sendEvent(cell, event);
    m_resending = false;
    // Delivered, to the parents too where the cell passed it on: no second round.
    event->accept();
    if (alive) {
        const QString said = afterKey(*alive, code, modifiers, scanCode, typed, before);
        if (!said.isEmpty())
            speak(alive, said);
    }
    return true;
}

QString Announcer::afterKey(CellBox &cell, int key, Qt::KeyboardModifiers modifiers,
    quint32 scanCode, const QString &typed, const Cells &before) const
{
    const Cells after = cells();
    const auto diff = changed(before, after);
    const auto k = static_cast<std::size_t>(cell.index());
    const spoken::Cell &was = before[k];
    const spoken::Cell &now = after[k];
    if (const auto c = input::commandOf(key, modifiers, scanCode)) {
        const bool notesKey = c->command == input::Command::ToggleNote
            || c->command == input::Command::ClearNotes || c->command == input::Command::FillNotes;
        if (notesKey && !m_form.board().notesTaken())
            return QStringLiteral("no notes while a puzzle is typed in");
        switch (c->command) {
        case input::Command::ToggleNote:
            if (now.notes != was.notes && !now.digit)
                return words(
                    spoken::noteChanged(c->digit, now.notes & (1u << (c->digit - 1)), now.notes));
            return words(now.given ? spoken::cannotChange(now) : "notes go in empty cells");
        case input::Command::ClearNotes:
            return words(now.notes == was.notes ? "no notes to clear" : spoken::notesCleared());
        case input::Command::FillNotes:
            return words(spoken::notesFilled(static_cast<int>(diff.size())));
        case input::Command::Undo:
            return words(diff.empty() ? spoken::nothingTo(true) : spoken::undone(diff));
        case input::Command::Redo:
            return words(diff.empty() ? spoken::nothingTo(false) : spoken::redone(diff));
        case input::Command::Hint:
            // The box is closed by now: Apply took its step, or nothing changed.
            return diff.empty() ? QString() : words(spoken::hintTaken(diff));
        case input::Command::ToggleMark:
            if (now.marked == was.marked)
                return words(now.given ? "given, cannot mark" : "cannot mark");
            return words(spoken::markChanged(now.marked));
        case input::Command::EmptyCell:
            return words(was.digit ? spoken::removed(was.digit) : "already empty");
        case input::Command::Keys:
        case input::Command::New:
        case input::Command::Quit:
        case input::Command::ReadRow:
        case input::Command::ReadColumn:
        case input::Command::ReadBox:
        case input::Command::ReadToPlace:
        case input::Command::Warnings:
        case input::Command::Clock:
        case input::Command::Pause:
        case input::Command::SameDigit:
            return QString();
        }
    }
    if (now.digit != was.digit) {
        if (!now.digit)
            return words(spoken::removed(was.digit));
        // With the warnings on, a repeat is said as it is shown.
        const QString repeat = cell.clashing() ? QStringLiteral(", repeated") : QString();
        if (!was.digit)
            return words(spoken::placed(now.digit)) + repeat;
        return words(spoken::replaced(was.digit, now.digit)) + repeat;
    }
    // A digit typed into a full cell is refused by the cell.
    if (digitOfText(typed) && was.digit && diff.empty())
        return words(spoken::cannotChange(now));
    return QString();
}

void Announcer::read(input::Command command)
{
    auto *cell = qobject_cast<CellBox *>(QApplication::focusWidget());
    const input::Board &board = m_form.board();
    if (command == input::Command::ReadToPlace) {
        std::array<int, 9> counts {};
        for (CellIndex i = 1; i <= CellCount; ++i)
            if (const int d = digitOfText(board.text(i)))
                ++counts[static_cast<std::size_t>(d - 1)];
        speak(&m_form, words(spoken::toPlace(counts)));
        return;
    }
    if (!cell)
        return;
    const CellIndex at = cell->index();
    spoken::Unit kind = spoken::Unit::Row;
    int number = spoken::rowNumber(at);
    int group = groupsOf(at)[0];
    if (command == input::Command::ReadColumn) {
        kind = spoken::Unit::Column;
        number = spoken::columnNumber(at);
        group = groupsOf(at)[2];
    } else if (command == input::Command::ReadBox) {
        kind = spoken::Unit::Box;
        number = spoken::boxNumber(at);
        group = groupsOf(at)[1];
    } else if (command != input::Command::ReadRow) {
        return;
    }
    // Read as players read: left to right, top to bottom.
    std::vector<CellIndex> members(groups()[static_cast<std::size_t>(group)].begin(),
        groups()[static_cast<std::size_t>(group)].end());
    std::sort(members.begin(), members.end(), [](CellIndex a, CellIndex b) {
        return std::pair(spoken::rowNumber(a), columnOf(a))
            < std::pair(spoken::rowNumber(b), columnOf(b));
    });
    std::array<int, 9> digits {};
    for (std::size_t k = 0; k < members.size() && k < digits.size(); ++k)
        digits[k] = digitOfText(board.text(members[k]));
    speak(cell, words(spoken::unit(kind, number, digits)));
}

void Announcer::backToCell(const QString &said)
{
    // In add-game mode, or with the play buttons off, there is no puzzle to go back to.
    CellBox *cell = lastCell();
    if (!cell->isEnabled() || !cell->isVisible())
        return;
    // Only for a player who listens: on the screen the window behaves as it always has.
    if (m_listening())
        cell->setFocus(Qt::OtherFocusReason);
    const QString here = QString::fromStdString(spoken::place(cell->index())) + QStringLiteral(", ")
        + QString::fromStdString(spoken::holding(input::spokenCell(*cell)));
    if (!said.isEmpty())
        speak(cell, said + QStringLiteral(". ") + here);
}

} // namespace zov
