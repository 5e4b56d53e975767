#include "input/board.h"

#include "input/cellinput.h"
#include "look/screen.h"

#include <algorithm>

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleOptionFrame>

namespace zov {
namespace {

// The game number shrinks in these steps; below the floor nothing is legible anyway.
constexpr qreal NumberFontStep = 0.25;
constexpr qreal NumberFontFloor = 1.0;
// A pixel of the back on either side keeps the digits off the frame's shaded inner edge.
constexpr int NumberClearance = 1;

// Qt 6.4's Wayland plugin leaves KeypadModifier off the keypad's keys (xcb sets it); their
// keysyms, XKB_KEY_KP_Space to XKB_KEY_KP_Equal, still tell them apart.
Qt::KeyboardModifiers withKeypad(const QKeyEvent &key)
{
    constexpr quint32 FirstKeypadKeysym = 0xff80;
    constexpr quint32 LastKeypadKeysym = 0xffbd;
    const quint32 keysym = key.nativeVirtualKey();
    if (keysym >= FirstKeypadKeysym && keysym <= LastKeypadKeysym)
        return key.modifiers() | Qt::KeypadModifier;
    return key.modifiers();
}

} // namespace

CellBox::CellBox(int index, QWidget *parent)
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
        font.setStyleStrategy(QFont::NoFontMerging);
        setFont(font);
        setEnabled(false);
        m_back = White;
        m_fore = GameNumberTextColour;
        setAccessibleName(QStringLiteral("Game No."));
    } else {
        // The cells take their font from the board's layer (see Board), set once for all 81.
        setGeometry(twipsRect(cellLeft(index), cellTop(index), CellWidth, CellHeight));
        setMaxLength(1);
        setCursor(Qt::ArrowCursor);
        m_fore = index == 1 ? Black : WindowTextColour;
        setAccessibleName(
            QStringLiteral("Row %1, column %2").arg(rowOf(index)).arg(columnOf(index)));
    }
    // Most boxes start in the scheme's own colours; setting a palette on each costs start-up time.
    const QPalette scheme = QApplication::palette(this);
    const Look look = lookOn(scheme);
    if (look.back != scheme.color(QPalette::Active, QPalette::Base)
        || look.fore != scheme.color(QPalette::Active, QPalette::Text)
        || look.window != scheme.color(QPalette::Active, QPalette::Window) || index == 0)
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

void CellBox::changeEvent(QEvent *event)
{
    // A new scheme, or a new style drawing the edges, while the game runs. A new application
    // palette reaches a box inside a window as a change of its inherited palette; the box's own
    // setPalette() brings one more, which finds nothing left to change.
    switch (event->type()) {
    case QEvent::ApplicationPaletteChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::ThemeChange:
        updatePalette();
        break;
    default:
        break;
    }
    QLineEdit::changeEvent(event);
}

QRect CellBox::numberArea() const
{
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    return style()
        ->subElementRect(QStyle::SE_LineEditContents, &panel, this)
        .marginsRemoved(textMargins());
}

QFont CellBox::numberFont() const
{
    QFont shown = font();
    const qreal room = numberArea().width() - 2 * NumberClearance;
    const QString number = text();
    while (QFontMetricsF(shown, this).horizontalAdvance(number) > room
        && shown.pointSizeF() - NumberFontStep >= NumberFontFloor)
        shown.setPointSizeF(shown.pointSizeF() - NumberFontStep);
    return shown;
}

void CellBox::paintEvent(QPaintEvent *event)
{
    // A line edit scrolls a text wider than itself to the cursor at its end, so 101 and 201 would
    // both show "01". The game-number box is disabled and has no cursor or selection to show:
    // it draws its frame as a line edit does and the whole number centred inside it.
    if (m_index != 0) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    const QRect area = numberArea();
    // Some styles draw a disabled box in their own colours; the number's back is fixed. A pixel
    // inside the contents is left to the frame's shading.
    painter.fillRect(area.adjusted(1, 1, -1, -1), palette().color(QPalette::Base));
    painter.setClipRect(area);
    painter.setFont(numberFont());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(area, Qt::AlignCenter, text());
}

CellBox::Look CellBox::lookOn(const QPalette &scheme) const
{
    Look look { shownBack(m_back, scheme), shownText(m_fore, m_back, scheme),
        scheme.color(QPalette::Active, QPalette::Window) };
    // Fusion draws the edge in the window colour darkened; other styles in their own colours.
    // A desktop's settings may wrap it in a proxy style.
    const QStyle *drawing = style();
    while (const auto *proxy = qobject_cast<const QProxyStyle *>(drawing))
        drawing = proxy->baseStyle();
    if (drawing->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0)
        look.window = edgeWindow(scheme);
    return look;
}

void CellBox::updatePalette()
{
    const QPalette scheme = QApplication::palette(this);
    QPalette p = palette();
    const Look look = lookOn(scheme);
    const auto group = { QPalette::Active, QPalette::Inactive, QPalette::Disabled };
    if (std::all_of(group.begin(), group.end(), [&](QPalette::ColorGroup g) {
            return p.color(g, QPalette::Base) == look.back
                && p.color(g, QPalette::Text) == look.fore
                && p.color(g, QPalette::Window) == look.window;
        }))
        return;
    // The disabled game-number box shows its colours as they are, not greyed out.
    for (const auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        p.setColor(group, QPalette::Base, look.back);
        p.setColor(group, QPalette::Text, look.fore);
        p.setColor(group, QPalette::Window, look.window);
    }
    setPalette(p);
}

void CellBox::updateDescription()
{
    if (m_index == 0)
        return;
    const QString description = m_back == GivenColour ? QStringLiteral("given")
        : m_back == MarkColour                        ? QStringLiteral("marked")
                                                      : QString();
    // Each change is an accessibility event; unchanged ones cost start-up time for nothing.
    if (description != accessibleDescription())
        setAccessibleDescription(description);
}

Board::Board(QWidget *surface)
    : QObject(surface)
{
    // A see-through layer under every other control of the window, carrying the cells' font.
    auto *layer = new QWidget(surface);
    layer->setObjectName(QStringLiteral("board"));
    layer->setGeometry(surface->rect());
    QFont cellFont(QStringLiteral("Tahoma"), 18, QFont::Bold);
    // Cells show only the digits 1 to 9: looking up fallback fonts for other scripts only
    // costs start-up time.
    cellFont.setStyleStrategy(QFont::NoFontMerging);
    layer->setFont(cellFont);
    layer->lower();
    for (int i = 0; i <= CellCount; ++i) {
        auto *box = new CellBox(i, i == 0 ? surface : layer);
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
    CellBox *box = txtRow1(index);
    // Read the box, not the signal's argument: a nested run may already have emptied it.
    if (!input::keepsText(box->text()))
        box->setText(QString());
    if (const auto colour = input::digitColour(box->text()))
        box->setForeColour(*colour);
}

bool Board::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<CellBox *>(watched);
    // A disabled box still hands its mouse events to filters; it must not act on them.
    if (!box || !box->isEnabled())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        KeyDown(box->index(), key->key(), withKeypad(*key));
        break;
    }
    case QEvent::MouseButtonPress:
    // A press soon after the last one arrives as a double click; it is a press all the same.
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
        // Only the right button acts on a cell: the middle button would paste the X selection
        // into it, so the box never sees that button.
        if (button == Qt::MiddleButton)
            return true;
        if (event->type() != QEvent::MouseButtonRelease)
            MouseDown(box->index(), button);
        break;
    }
    default:
        break;
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
