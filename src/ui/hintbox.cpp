#include "ui/hintbox.h"

#include "play/hints.h"
#include "play/prompter.h"
#include "ui/speaker.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zov {
namespace {

// Wide enough for a sentence naming a few cells on three or four lines.
constexpr int TextWidth = 360;

} // namespace

HintBox::HintBox(const puzzles::hints::Hint &hint, input::Board &board, QWidget *parent)
    : QDialog(parent)
    , m_hint(hint)
    , m_board(board)
{
    setObjectName(QStringLiteral("hintBox"));
    setWindowTitle(WindowCaption);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("hintText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setFixedWidth(TextWidth);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto *buttons = new QDialogButtonBox(this);
    m_more = buttons->addButton(QStringLiteral("More"), QDialogButtonBox::ActionRole);
    m_apply = buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::AcceptRole);
    m_close = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_more, &QPushButton::clicked, this, [this] { tell(m_level + 1); });
    connect(m_apply, &QPushButton::clicked, this, [this] {
        applyHint(m_board, m_hint);
        accept();
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    tell(0);
}

void HintBox::tell(int level)
{
    const int last = static_cast<int>(m_hint.levels.size()) - 1;
    m_level = std::clamp(level, 0, std::max(last, 0));
    QStringList said;
    for (int k = 0; k <= m_level && k <= last; ++k)
        said << QString::fromStdString(m_hint.levels[static_cast<std::size_t>(k)]);
    m_text->setText(said.join(QStringLiteral("\n\n")));
    const bool atLast = m_level >= last;
    m_more->setVisible(!atLast);
    m_apply->setVisible(atLast && !m_hint.changes.empty());
    // The last level names the cells: the board outlines them until the next key or click.
    if (atLast)
        m_board.outline(hintCells(m_hint));
    (atLast ? (m_apply->isVisible() ? m_apply : m_close) : m_more)->setDefault(true);
    (atLast ? (m_apply->isVisible() ? m_apply : m_close) : m_more)->setFocus();
    // The box's first words are read as it opens; each later level is said as it appears, after
    // the button that now has the focus.
    if (m_level > 0 && m_level <= last)
        speak(this, QString::fromStdString(m_hint.levels[static_cast<std::size_t>(m_level)]));
}

} // namespace zov
