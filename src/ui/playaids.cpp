#include "ui/playaids.h"

#include "ui/form1.h"
#include "ui/speaker.h"

#include "look/fonts.h"
#include "play/prompter.h"
#include "puzzles/rules.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

namespace zov {

using input::CellBox;

namespace {

// Often enough that the seconds shown never lag the clock by more than a quarter.
constexpr int TickMs = 250;

QString spokenTime(std::chrono::seconds elapsed)
{
    const auto s = elapsed.count();
    const auto minutes = s / 60, seconds = s % 60;
    const auto part = [](long long n, const char *unit) {
        return QStringLiteral("%1 %2%3")
            .arg(n)
            .arg(QLatin1String(unit))
            .arg(n == 1 ? QString() : QStringLiteral("s"));
    };
    return minutes ? part(minutes, "minute") + QLatin1Char(' ') + part(seconds, "second")
                   : part(seconds, "second");
}

bool goesOn(const QKeyEvent &key)
{
    const auto c = input::commandOf(key.key(), key.modifiers(), key.nativeScanCode());
    if (c && c->command == input::Command::Pause)
        return true;
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

} // namespace

PauseCover::PauseCover(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pauseCover"));
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Paused"));
    setAccessibleDescription(QStringLiteral("Press Pause, Ctrl+P or Enter to go on"));
    hide();
}

void PauseCover::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette scheme = palette();
    painter.fillRect(rect(), scheme.color(QPalette::Base));
    painter.setPen(scheme.color(QPalette::Text));
    // The window's own face: the layer under the cells has the digits' large one.
    const QFont small = window()->font();
    // The window's face is drawn at its design sizes only.
    QFont big(ScalableFace);
    big.setPointSizeF(18);
    big.setBold(true);
    painter.setFont(big);
    const QRect top(rect().left(), rect().top(), rect().width(), rect().height() / 2);
    painter.drawText(top, Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("Paused"));
    painter.setFont(small);
    const QRect bottom(rect().left(), top.bottom() + 8, rect().width(), rect().height() / 2 - 8);
    painter.drawText(bottom, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
        QStringLiteral("Press Pause, Ctrl+P or Enter to go on"));
}

void PauseCover::keyPressEvent(QKeyEvent *event)
{
    if (goesOn(*event)) {
        event->accept();
        Q_EMIT goOn();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PauseCover::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    Q_EMIT goOn();
}

PlayAids::PlayAids(Form1 &form, Clock::Now now)
    : QObject(&form)
    , m_form(form)
    , m_clock(std::move(now))
{
    m_tick.setInterval(TickMs);
    connect(&m_tick, &QTimer::timeout, this, &PlayAids::showTime);
    connect(&form.board(), &input::Board::acted, this, &PlayAids::refresh);
    form.installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (m_sameDigit && qobject_cast<CellBox *>(now) && now->window() == &m_form)
            refresh();
    });
    // Whatever the player does with the buttons, they do it on the board they can see.
    const std::initializer_list<QAbstractButton *> buttons { form.cmdNew, form.cmdClear,
        form.cmdDone, form.chkAddMode };
    for (QAbstractButton *b : buttons)
        connect(b, &QAbstractButton::pressed, this, [this] { setPaused(false); });
}

void PlayAids::command(input::Command command)
{
    switch (command) {
    case input::Command::Warnings:
        m_warnings = !m_warnings;
        refresh();
        speak(&m_form,
            m_warnings ? QStringLiteral("mistake warnings on")
                       : QStringLiteral("mistake warnings off"));
        break;
    case input::Command::SameDigit:
        m_sameDigit = !m_sameDigit;
        refresh();
        speak(&m_form,
            m_sameDigit ? QStringLiteral("same digit shown")
                        : QStringLiteral("same digit not shown"));
        break;
    case input::Command::Clock:
        m_clockShown = !m_clockShown;
        showTime();
        speak(&m_form,
            m_clockShown ? QStringLiteral("clock shown, ") + spokenTime(m_clock.elapsed())
                         : QStringLiteral("clock hidden"));
        break;
    case input::Command::Pause:
        setPaused(!paused());
        break;
    default:
        break;
    }
}

void PlayAids::puzzleStarted()
{
    m_clock.restart();
    showTime();
}

void PlayAids::puzzleSolved()
{
    m_clock.stop();
    showTime();
}

void PlayAids::entering()
{
    setPaused(false);
    m_clock.stop();
    showTime();
}

void PlayAids::setPaused(bool pause)
{
    if (pause == paused())
        return;
    input::Board &board = m_form.board();
    if (pause) {
        if (!m_cover) {
            m_cover = new PauseCover(board.cell(1)->parentWidget());
            connect(m_cover, &PauseCover::goOn, this, [this] { setPaused(false); });
        }
        QRect cells;
        for (CellIndex i = 1; i <= CellCount; ++i)
            cells |= board.cell(i)->geometry();
        m_cover->setGeometry(cells);
        m_before = QApplication::focusWidget();
        m_cover->raise();
        m_cover->show();
        m_cover->setFocus(Qt::OtherFocusReason);
        // Hidden, not only covered: out of reach of Tab, clicks and a screen reader too.
        for (CellIndex i = 1; i <= CellCount; ++i)
            board.cell(i)->hide();
        holdClock();
        speak(&m_form, QStringLiteral("paused, the board is hidden"));
    } else {
        for (CellIndex i = 1; i <= CellCount; ++i)
            board.cell(i)->show();
        const bool hadFocus = m_cover->hasFocus();
        m_cover->hide();
        if (hadFocus) {
            QWidget *back = m_before && m_before->isVisible() && m_before->isEnabled()
                ? m_before.data()
                : board.cell(1);
            back->setFocus(Qt::OtherFocusReason);
        }
        holdClock();
        speak(&m_form, QStringLiteral("playing again"));
    }
    showTime();
}

bool PlayAids::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_form && event->type() == QEvent::WindowStateChange)
        holdClock();
    return QObject::eventFilter(watched, event);
}

void PlayAids::holdClock()
{
    // Time away from a minimized window is not time spent on the puzzle.
    m_clock.setPaused(paused() || m_form.isMinimized());
    showTime();
}

void PlayAids::showTime()
{
    const bool ticking = m_clockShown && m_clock.running();
    if (ticking != m_tick.isActive())
        ticking ? m_tick.start() : m_tick.stop();
    const QString title = m_clockShown ? WindowCaption + QStringLiteral(" \u2014 ")
            + QString::fromStdString(clockText(m_clock.elapsed()))
                                       : WindowCaption;
    if (m_form.windowTitle() != title)
        m_form.setWindowTitle(title);
}

void PlayAids::refresh()
{
    if (!m_warnings && !m_sameDigit && !m_marked)
        return;
    const input::Board &board = m_form.board();
    const auto &digits = board.position().digits;
    const puzzles::Cells clashing = m_warnings ? puzzles::clashes(digits) : puzzles::Cells {};
    int digit = 0;
    if (m_sameDigit) {
        // Off the board (a button), the shading stays with the cell last looked at.
        if (auto *cell = qobject_cast<CellBox *>(QApplication::focusWidget());
            cell && cell->window() == &m_form)
            m_last = cell;
        if (m_last)
            digit = digits[static_cast<std::size_t>(textPositionOf(m_last->index()))];
    }
    for (CellIndex i = 1; i <= CellCount; ++i) {
        const int p = textPositionOf(i);
        const bool clash = clashing.has(p);
        const bool shaded = digit && digits[static_cast<std::size_t>(p)] == digit;
        CellBox *cell = board.cell(i);
        cell->setClashing(clash);
        cell->setShade(shaded, digit);
    }
    // Once both are off, this last pass has taken every mark away.
    m_marked = m_warnings || m_sameDigit;
}

} // namespace zov
