#include "ui/hintpanel.h"

#include "ui/hintlayer.h"
#include "ui/speaker.h"

#include "input/spoken.h"
#include "play/hints.h"
#include "play/prompter.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace zov {
namespace {

// Wide enough for a sentence naming a few cells on three or four lines; on a small screen the
// panel may be as narrow as the least width, and its text scrolls below the least height.
constexpr int PanelWidth = 380;
constexpr int LeastWidth = 220;
constexpr int LeastTextLines = 3;
// Between the window and the panel.
constexpr int Gap = 8;

} // namespace

QRect panelPlace(const QRect &room, const QRect &window, int width, QSize least,
    const std::function<int(int)> &heightFor)
{
    enum Side { Right, Left, Below, Above };
    const auto space = [&](Side s) {
        switch (s) {
        case Right:
            return QRect(QPoint(window.right() + 1 + Gap, room.top()), room.bottomRight());
        case Left:
            return QRect(room.topLeft(), QPoint(window.left() - 1 - Gap, room.bottom()));
        case Below:
            return QRect(QPoint(room.left(), window.bottom() + 1 + Gap), room.bottomRight());
        case Above:
            break;
        }
        return QRect(room.topLeft(), QPoint(room.right(), window.top() - 1 - Gap));
    };
    QRect best;
    double bestShown = 0;
    for (const Side s : { Right, Left, Below, Above }) {
        const QRect r = space(s).intersected(room);
        const int w = std::min(width, r.width());
        if (w < least.width())
            continue;
        const int needed = std::max(heightFor(w), least.height());
        const int h = std::min(needed, r.height());
        if (h < least.height())
            continue;
        int x = 0, y = 0;
        if (s == Right || s == Left) {
            x = s == Right ? r.left() : r.right() + 1 - w;
            y = window.top();
        } else {
            x = window.center().x() - w / 2;
            y = s == Below ? r.top() : r.bottom() + 1 - h;
        }
        x = std::clamp(x, r.left(), r.right() + 1 - w);
        y = std::clamp(y, r.top(), r.bottom() + 1 - h);
        const double shown = static_cast<double>(h) / needed;
        if (shown >= 1)
            return { x, y, w, h };
        if (shown > bestShown) {
            bestShown = shown;
            best = QRect(x, y, w, h);
        }
    }
    if (best.isValid())
        return best;
    // No side has room (a large scale on a small screen): as narrow as it may be, in the
    // screen's bottom right corner, over the window's buttons below the board's right side
    // rather than over its cells.
    const int w = std::min(least.width(), room.width());
    const int h = std::min(std::max(heightFor(w), least.height()), room.height());
    return { room.right() + 1 - w, room.bottom() + 1 - h, w, h };
}

HintPanel::HintPanel(input::Board &board, const Game &game, QWidget *parent)
    : QDialog(parent)
    , m_board(board)
    , m_game(game)
{
    setObjectName(QStringLiteral("hintPanel"));
    setWindowTitle(WindowCaption);
    setModal(false);
    // Ctrl+H in a cell shows the panel and leaves the keyboard with the board.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_layer = new HintLayer(board);

    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("hintText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_scroller = new QScrollArea(this);
    m_scroller->setObjectName(QStringLiteral("hintScroller"));
    m_scroller->setWidget(m_text);
    m_scroller->setWidgetResizable(true);
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("hintStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->hide();

    auto *buttons = new QDialogButtonBox(this);
    m_more = buttons->addButton(QStringLiteral("More"), QDialogButtonBox::ActionRole);
    m_apply = buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::ApplyRole);
    m_next = buttons->addButton(QStringLiteral("Next hint"), QDialogButtonBox::ActionRole);
    m_close = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    // Return presses the default button, whichever has the focus; Space the focused one.
    for (auto *b : { m_more, m_apply, m_next, m_close })
        b->setAutoDefault(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_scroller, 1);
    layout->addWidget(m_status);
    layout->addWidget(buttons);

    connect(m_more, &QPushButton::clicked, this, [this] { tell(m_level + 1); });
    connect(m_apply, &QPushButton::clicked, this, &HintPanel::takeStep);
    connect(m_next, &QPushButton::clicked, this, &HintPanel::next);
    connect(m_close, &QPushButton::clicked, this, &HintPanel::reject);
    connect(&m_board, &input::Board::acted, this, &HintPanel::boardChanged);
    // Escape on the board closes the panel too, while it is open.
    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), parent ? parent : this, this,
        &HintPanel::reject, Qt::WindowShortcut);
    m_escape->setEnabled(false);
    // Beside the window wherever it goes.
    if (parent)
        parent->window()->installEventFilter(this);
}

bool HintPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (isVisible() && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        showBeside();
    return QDialog::eventFilter(watched, event);
}

HintPanel::~HintPanel() { delete m_layer; }

void HintPanel::draw(const puzzles::hints::Drawing &drawing)
{
    if (m_layer)
        m_layer->setDrawing(drawing);
}

void HintPanel::ask()
{
    const bool holds = m_hint && m_state == State::Showing
        && hintHolds(m_at, hintState(m_board, m_game), *m_hint);
    if (!holds)
        next();
    else if (!isVisible())
        tell(m_level);
    else if (m_level + 1 < static_cast<int>(m_hint->levels.size()))
        tell(m_level + 1);
    else {
        // Nothing more to tell: the keyboard goes to the panel, where Return applies.
        activateWindow();
        raise();
        if (m_default)
            m_default->setFocus();
    }
    appear();
}

void HintPanel::next() { showHint(puzzles::hints::nextHint(hintState(m_board, m_game))); }

void HintPanel::showHint(puzzles::hints::Hint hint)
{
    m_at = hintState(m_board, m_game);
    m_hint = std::move(hint);
    m_level = 0;
    m_text->clear();
    setState(State::Showing);
    tell(0);
    appear();
}

void HintPanel::appear()
{
    if (isVisible())
        return;
    showBeside();
    show();
}

QString HintPanel::levelText() const
{
    if (!m_hint || m_hint->levels.empty())
        return {};
    return QString::fromStdString(m_hint->levels[static_cast<std::size_t>(
        std::clamp(m_level, 0, static_cast<int>(m_hint->levels.size()) - 1))]);
}

QString HintPanel::shownText() const
{
    return m_status->isHidden() ? m_text->text()
                                : m_text->text() + QStringLiteral("\n\n") + m_status->text();
}

void HintPanel::tell(int level)
{
    if (!m_hint)
        return;
    const int last = std::max(static_cast<int>(m_hint->levels.size()) - 1, 0);
    m_level = std::clamp(level, 0, last);
    QStringList said;
    for (int k = 0; k <= m_level && k < static_cast<int>(m_hint->levels.size()); ++k)
        said << QString::fromStdString(m_hint->levels[static_cast<std::size_t>(k)]);
    const QString before = said.mid(0, m_level).join(QStringLiteral("\n\n"));
    m_text->setText(said.join(QStringLiteral("\n\n")));
    setState(State::Showing);
    if (isVisible()) {
        draw(hintDrawing(*m_hint, m_level, m_at));
        showBeside();
    }
    // The new words in sight: the text scrolls to where they start.
    if (m_level > 0 && !before.isEmpty()) {
        const int width = m_scroller->viewport()->width();
        const int top = m_text->heightForWidth(width) > 0
            ? QFontMetrics(m_text->font())
                  .boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, before)
                  .height()
            : 0;
        m_scroller->verticalScrollBar()->setValue(top);
    }
    say(levelText());
    Q_EMIT levelShown(levelText());
}

void HintPanel::setState(State s, const QString &said)
{
    m_state = s;
    if (!said.isEmpty() && said != m_status->text())
        say(said);
    m_status->setText(said);
    m_status->setVisible(!said.isEmpty());
    const bool showing = s == State::Showing && m_hint;
    const bool atLast = showing && m_level + 1 >= static_cast<int>(m_hint->levels.size());
    const std::pair<QPushButton *, bool> shown[] = { { m_more, showing && !atLast },
        { m_apply, showing && atLast && !m_hint->changes.empty() },
        { m_next, s == State::Wrong || s == State::Applied } };
    // The new buttons first: a focused button that goes hands the focus on to one that stays.
    for (const auto &[button, on] : shown)
        if (on)
            button->setVisible(true);
    for (const auto &[button, on] : shown)
        if (!on)
            button->setVisible(false);
    if (!showing)
        draw({});
    // Which will show: the panel itself may be hidden yet.
    QPushButton *first = m_close;
    for (const auto &[button, on] : shown)
        if (on) {
            first = button;
            break;
        }
    first->setDefault(true);
    m_default = first;
    const QWidget *focused = QApplication::focusWidget();
    if (isActiveWindow() || (focused && isAncestorOf(focused)))
        first->setFocus();
}

void HintPanel::takeStep()
{
    if (!m_hint || m_state != State::Showing)
        return;
    const auto heard = [this](CellIndex i) {
        const input::CellState c = m_board.state(i);
        // Notes are heard only while a cell is empty.
        return input::spoken::Cell { c.digit, c.digit ? std::uint16_t(0) : c.notes,
            c.kind == puzzles::CellKind::Given, c.kind == puzzles::CellKind::Marked };
    };
    std::vector<input::spoken::Change> changes;
    for (const auto &c : m_hint->changes) {
        const CellIndex i = cellOfTextPosition(c.cell);
        changes.push_back({ i, heard(i), {} });
    }
    // Until the end: the board takes the keyboard back, and the words go through its window.
    m_applying = true;
    const bool took = applyHint(m_board, *m_hint);
    if (!took) {
        m_applying = false;
        return;
    }
    for (auto &c : changes)
        c.after = heard(c.cell);
    std::erase_if(changes, [](const auto &c) { return c.before == c.after; });
    setState(State::Applied,
        QStringLiteral("Applied. Ctrl+Z takes it back; Next hint or Ctrl+H tells the next step."));
    // What changed, last: the words a screen reader most needs here.
    if (!changes.empty())
        say(QString::fromStdString(input::spoken::hintTaken(changes)));
    m_applying = false;
    // The cells it changed stay marked until the next key or click on the board, where the
    // keyboard goes back to.
    std::vector<CellIndex> changed;
    for (const auto &c : m_hint->changes)
        changed.push_back(cellOfTextPosition(c.cell));
    m_board.outline(changed);
    if (QWidget *window = parentWidget())
        window->activateWindow();
}

void HintPanel::boardChanged()
{
    if (m_applying || !m_hint || m_state != State::Showing)
        return;
    const puzzles::Position now = hintState(m_board, m_game);
    if (hintHolds(m_at, now, *m_hint))
        return;
    if (hintTaken(m_at, now, *m_hint))
        setState(State::Applied, QStringLiteral("The board now shows this step."));
    else
        setState(
            State::Wrong, QStringLiteral("The board has changed, and this hint no longer holds."));
    if (isVisible())
        showBeside();
}

void HintPanel::say(const QString &words)
{
    // The panel opens beside the board and leaves the keyboard there: its words are said
    // through the window that has the keyboard.
    QWidget *window = parentWidget() ? parentWidget()->window() : nullptr;
    speak((isActiveWindow() && !m_applying) || !window ? this : window, words);
}

void HintPanel::reject()
{
    // Hidden, not finished: Ctrl+H brings the same hint back while it holds.
    hide();
}

void HintPanel::keyPressEvent(QKeyEvent *event)
{
    // The board's keys work here too: Ctrl+H tells more, Ctrl+Z undoes.
    if (const auto c = input::commandOf(event->key(), event->modifiers(), 0)) {
        if (c->command == input::Command::Hint)
            ask();
        else
            m_board.command(0, *c);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void HintPanel::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // The keyboard, coming to the panel, starts on the button Return presses: the window would
    // give it to the first button, and a focused button is the one Return presses.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_default)
        m_default->setFocus();
}

void HintPanel::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_escape->setEnabled(true);
    if (m_hint && m_state == State::Showing)
        draw(hintDrawing(*m_hint, m_level, m_at));
}

void HintPanel::hideEvent(QHideEvent *event)
{
    m_escape->setEnabled(false);
    draw({});
    QDialog::hideEvent(event);
}

int HintPanel::heightFor(int width) const
{
    const QMargins m = layout()->contentsMargins();
    const int spacing = layout()->spacing();
    const int inner = width - m.left() - m.right();
    int h = m.top() + m.bottom() + m_text->heightForWidth(inner) + 2 * m_scroller->frameWidth();
    if (!m_status->isHidden())
        h += spacing + m_status->heightForWidth(inner);
    h += spacing + m_more->parentWidget()->sizeHint().height();
    return h;
}

void HintPanel::showBeside()
{
    QWidget *window = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen *screen = window ? window->screen() : this->screen();
    if (!window || !screen)
        return;
    // This panel's frame is taken to be as wide as the window's, from the same window manager.
    const QRect frame = window->frameGeometry();
    const QRect inside = window->geometry();
    const QMargins edge(inside.left() - frame.left(), inside.top() - frame.top(),
        frame.right() - inside.right(), frame.bottom() - inside.bottom());
    const int across = edge.left() + edge.right(), down = edge.top() + edge.bottom();
    const QMargins m = layout()->contentsMargins();
    const int lines = QFontMetrics(m_text->font()).lineSpacing() * LeastTextLines;
    const int chrome
        = heightFor(LeastWidth) - m_text->heightForWidth(LeastWidth - m.left() - m.right());
    const QSize least(LeastWidth + across, chrome + lines + down);
    const QRect place = panelPlace(screen->availableGeometry(), frame, PanelWidth + across, least,
        [&](int w) { return heightFor(w - across) + down; });
    setMinimumSize(least.shrunkBy(edge));
    setGeometry(place.marginsRemoved(edge));
}

} // namespace zov
