#include "board/board.h"

#include "input/cellinput.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace zov {
namespace {

constexpr ColourValue WindowTextColour = 0x80000008;

QRect twipsRect(int left, int top, int width, int height)
{
  return { left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
    height / TwipsPerPixel };
}

QColor mix(const QColor& a, const QColor& b, double share)
{
  return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
      static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
      static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

} // namespace

QColor screenColour(ColourValue value, const QPalette& palette)
{
  if (!isSystemColour(value))
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
        static_cast<int>((value >> 16) & 0xFF));
  switch (value & 0xFF) {
  case 5: // window background: an open cell
    return palette.color(QPalette::Active, QPalette::Base);
  case 8: // window text
    return palette.color(QPalette::Active, QPalette::Text);
  case 10: // active border: a given cell, a quiet grey
    return mix(palette.color(QPalette::Active, QPalette::Mid),
        palette.color(QPalette::Active, QPalette::Base), 0.6);
  case 18: // button text
    return palette.color(QPalette::Active, QPalette::ButtonText);
  case 19: // inactive caption text: a marked cell, a light tint of the highlight
    return mix(palette.color(QPalette::Active, QPalette::Highlight),
        palette.color(QPalette::Active, QPalette::Base), 0.45);
  default:
    return palette.color(QPalette::Active, QPalette::Window);
  }
}

CellBox::CellBox(int index, QWidget* parent)
    : QLineEdit(parent)
    , m_index(index)
{
  setObjectName(QStringLiteral("txtRow1_%1").arg(index));
  setAlignment(Qt::AlignCenter);
  setTextMargins(0, 0, 0, 0);
  setContextMenuPolicy(Qt::PreventContextMenu);
  if (index == 0) {
    setGeometry(twipsRect(GameNumberBoxLeft, GameNumberBoxTop, CellWidth, CellHeight));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(15.75);
    font.setBold(true);
    setFont(font);
    setEnabled(false);
    m_back = White;
    m_fore = GameNumberTextColour;
    setAccessibleName(QStringLiteral("Game No."));
  } else {
    setGeometry(twipsRect(cellLeft(index), cellTop(index), CellWidth, CellHeight));
    setFont(QFont(QStringLiteral("Tahoma"), 18, QFont::Bold));
    setMaxLength(1);
    setCursor(Qt::ArrowCursor);
    m_fore = index == 1 ? Black : WindowTextColour;
    setAccessibleName(QStringLiteral("Row %1, column %2").arg(rowOf(index)).arg(columnOf(index)));
  }
  updatePalette();
  updateDescription();
}

void CellBox::setBackColour(ColourValue colour)
{
  if (colour == m_back)
    return;
  m_back = colour;
  updatePalette();
  updateDescription();
}

void CellBox::setForeColour(ColourValue colour)
{
  if (colour == m_fore)
    return;
  m_fore = colour;
  updatePalette();
}

void CellBox::changeEvent(QEvent* event)
{
  if (event->type() == QEvent::ApplicationPaletteChange)
    updatePalette();
  QLineEdit::changeEvent(event);
}

void CellBox::updatePalette()
{
  const QPalette scheme = QApplication::palette(this);
  QPalette p = palette();
  const QColor back = screenColour(m_back, scheme);
  const QColor fore = screenColour(m_fore, scheme);
  // The disabled game-number box shows its colours as they are, not greyed out.
  for (const auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
    p.setColor(group, QPalette::Base, back);
    p.setColor(group, QPalette::Text, fore);
  }
  setPalette(p);
}

void CellBox::updateDescription()
{
  if (m_index == 0)
    return;
  setAccessibleDescription(m_back == GivenColour ? QStringLiteral("given")
          : m_back == MarkColour               ? QStringLiteral("marked")
                                               : QString());
}

Board::Board(QWidget* surface)
    : QObject(surface)
{
  for (int i = 0; i <= CellCount; ++i) {
    auto* box = new CellBox(i, surface);
    m_boxes[static_cast<std::size_t>(i)] = box;
    // Connected first, before anyone else: the filter may write the text again, and later
    // slots would see the changes out of order.
    connect(box, &QLineEdit::textChanged, this, [this, i] { CellInputFilter(i); });
    if (i != 0)
      box->installEventFilter(this);
  }
}

void Board::CellInputFilter(int index)
{
  CellBox* box = txtRow1(index);
  // Read the box, not the signal's argument: a nested run may already have emptied it.
  if (!input::keepsText(box->text()))
    box->setText(QString());
  if (const auto colour = input::digitColour(box->text()))
    box->setForeColour(*colour);
}

bool Board::eventFilter(QObject* watched, QEvent* event)
{
  auto* box = qobject_cast<CellBox*>(watched);
  // A disabled box still hands its mouse events to filters; it must not act on them.
  if (!box || !box->isEnabled())
    return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    KeyDown(box->index(), key->key(), key->modifiers());
  } else if (event->type() == QEvent::MouseButtonPress) {
    MouseDown(box->index(), static_cast<QMouseEvent*>(event)->button());
  }
  // The key or click goes on to the box as usual.
  return false;
}

void Board::KeyDown(int index, int key, Qt::KeyboardModifiers modifiers)
{
  if (const auto arrow = input::arrowOf(key)) {
    const auto target = input::arrowTarget(index, *arrow);
    if (!target)
      return;
    txtRow1(*target)->setFocus(Qt::OtherFocusReason);
  }
  if (backColour(index) == GivenColour)
    return;
  // The keypad digit then arrives in the emptied box and becomes its only content.
  if (input::isOverwriteKey(key, modifiers))
    setText(index, QString());
}

void Board::MouseDown(int index, Qt::MouseButton button)
{
  if (button != Qt::RightButton)
    return;
  if (const auto toggled = input::toggledMark(backColour(index)))
    setBackColour(index, *toggled);
}

} // namespace zov
