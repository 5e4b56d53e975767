#include "input/boxes.h"

#include "input/cellinput.h"

#include "look/fonts.h"
#include "look/marks.h"
#include "look/screen.h"

#include <algorithm>

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleOptionFrame>

namespace zov::input {
namespace {

// The game number shrinks in these steps; below the floor nothing is legible anyway.
constexpr qreal NumberFontStep = 0.25;
constexpr qreal NumberFontFloor = 1.0;
// A pixel of the back on either side keeps the digits off the frame's shaded inner edge.
constexpr int NumberClearance = 1;
// Notes: ten pixels at 96 dpi give a digit's ink 7 pixels, the most a ninth of the cell
// holds with a pixel between neighbours.
constexpr qreal NotePointSize = 7.5;
constexpr int OutlineWidth = 2;
constexpr int ClashWidth = 2;

QRect contentsOf(const QLineEdit &box, const QStyleOptionFrame &panel)
{
    return box.style()
        ->subElementRect(QStyle::SE_LineEditContents, &panel, &box)
        .marginsRemoved(box.textMargins());
}

} // namespace

BoardBox::BoardBox(int index, ColourValue back, ColourValue fore, QWidget *parent)
    : QLineEdit(parent)
    , m_index(index)
    , m_back(back)
    , m_fore(fore)
{
    setObjectName(QStringLiteral("txtRow1_%1").arg(index));
    setAlignment(Qt::AlignCenter);
    setTextMargins(0, 0, 0, 0);
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void BoardBox::showColours()
{
    // Most boxes start in the scheme's own colours; setting a palette on each costs start-up time.
    const QPalette scheme = QApplication::palette(this);
    const Look look = lookOn(scheme);
    if (look.back != scheme.color(QPalette::Active, QPalette::Base)
        || look.fore != scheme.color(QPalette::Active, QPalette::Text)
        || look.window != scheme.color(QPalette::Active, QPalette::Window) || m_index == 0)
        updatePalette();
}

void BoardBox::setBackColour(ColourValue colour)
{
    if (colour == m_back)
        return;
    m_back = colour;
    updatePalette();
    backChanged();
}

void BoardBox::setForeColour(ColourValue colour)
{
    if (colour == m_fore)
        return;
    m_fore = colour;
    updatePalette();
}

void BoardBox::changeEvent(QEvent *event)
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

BoardBox::Look BoardBox::lookOn(const QPalette &scheme) const
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
    if (tinted())
        look.back = zov::tinted(look.back, scheme);
    return look;
}

void BoardBox::updatePalette()
{
    const QPalette scheme = QApplication::palette(this);
    QPalette p = palette();
    const Look look = lookOn(scheme);
    const auto groups = { QPalette::Active, QPalette::Inactive, QPalette::Disabled };
    if (std::all_of(groups.begin(), groups.end(), [&](QPalette::ColorGroup g) {
            return p.color(g, QPalette::Base) == look.back
                && p.color(g, QPalette::Text) == look.fore
                && p.color(g, QPalette::Window) == look.window;
        }))
        return;
    // The disabled game-number box shows its colours as they are, not greyed out.
    for (const auto group : groups) {
        p.setColor(group, QPalette::Base, look.back);
        p.setColor(group, QPalette::Text, look.fore);
        p.setColor(group, QPalette::Window, look.window);
    }
    setPalette(p);
}

CellBox::CellBox(CellIndex index, QWidget *parent)
    : BoardBox(index, OpenColour, inkColour(index, 0), parent)
{
    // The cells take their font from the board's layer (see Board), set once for all 81.
    setGeometry(twipsRect(cellLeft(index), cellTop(index), CellWidth, CellHeight));
    setMaxLength(1);
    setCursor(Qt::ArrowCursor);
    // Named as players name cells: row 1 is the top row.
    setAccessibleName(
        QStringLiteral("Row %1, column %2").arg(10 - rowOf(index)).arg(columnOf(index)));
    showColours();
    updateDescription();
}

void CellBox::setNotes(puzzles::Digits notes)
{
    if (notes == m_notes)
        return;
    m_notes = notes;
    updateDescription();
    update();
}

void CellBox::setOutlined(bool on)
{
    if (on == m_outlined)
        return;
    m_outlined = on;
    updateDescription();
    update();
}

void CellBox::setHinted(bool on)
{
    if (on == m_hinted)
        return;
    m_hinted = on;
    updateDescription();
}

void CellBox::setClashing(bool on)
{
    if (on == m_clashing)
        return;
    m_clashing = on;
    updateDescription();
    update();
}

void CellBox::setShade(bool cell, int note)
{
    if (cell == m_shaded && note == m_shadedNote)
        return;
    const bool back = cell != m_shaded;
    m_shaded = cell;
    m_shadedNote = note;
    if (back)
        updatePalette();
    update();
}

QRect CellBox::noteArea(int digit) const
{
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect area = contentsOf(*this, panel);
    const int k = digit - 1;
    const int left = area.left() + area.width() * (k % 3) / 3;
    const int right = area.left() + area.width() * (k % 3 + 1) / 3;
    const int top = area.top() + area.height() * (k / 3) / 3;
    const int bottom = area.top() + area.height() * (k / 3 + 1) / 3;
    return { left, top, right - left, bottom - top };
}

QFont CellBox::noteFont() const
{
    QFont small = font();
    small.setPointSizeF(NotePointSize);
    return small;
}

void CellBox::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    const bool notesShown = m_notes != 0 && text().isEmpty();
    if (!notesShown && !m_outlined && !m_clashing)
        return;
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect area = contentsOf(*this, panel);
    if (notesShown) {
        // Inside the contents only: the frame and the back around the notes stay as they are.
        painter.setClipRect(area);
        painter.setFont(noteFont());
        const QPalette scheme = QApplication::palette(this);
        for (int d = 1; d <= 9; ++d) {
            if (!(m_notes & puzzles::digitBit(d)))
                continue;
            if (d == m_shadedNote)
                painter.fillRect(noteArea(d), markColours(scheme).baseTint);
            painter.setPen(
                shownText(DigitColours[static_cast<std::size_t>(d - 1)], backColour(), scheme));
            painter.drawText(noteArea(d), Qt::AlignCenter, QString(QChar(u'0' + d)));
        }
        painter.setClipping(false);
    }
    if (m_outlined) {
        QPen pen(palette().color(QPalette::Highlight), OutlineWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const int inset = OutlineWidth / 2;
        painter.drawRect(area.adjusted(inset, inset, -inset, -inset));
    }
    if (m_clashing) {
        // Dashed and struck through, so that shape alone tells it from a hint's plain frame.
        QPen pen(markColours(QApplication::palette(this)).removal, ClashWidth, Qt::DashLine);
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const QRect frame = rect().adjusted(
            ClashWidth / 2 + 1, ClashWidth / 2 + 1, -ClashWidth / 2 - 1, -ClashWidth / 2 - 1);
        painter.drawRect(frame);
        pen.setStyle(Qt::SolidLine);
        pen.setWidthF(1.5);
        painter.setPen(pen);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawLine(
            QPointF(area.left() + 2, area.bottom() - 1), QPointF(area.right() - 1, area.top() + 2));
    }
}

void CellBox::updateDescription()
{
    QStringList parts;
    if (backColour() == GivenColour)
        parts << QStringLiteral("given");
    else if (backColour() == MarkColour)
        parts << QStringLiteral("marked");
    if (m_notes && text().isEmpty()) {
        QString notes = QStringLiteral("notes");
        for (int d = 1; d <= 9; ++d)
            if (m_notes & puzzles::digitBit(d))
                notes += QLatin1Char(' ') + QChar(u'0' + d);
        parts << notes;
    }
    if (m_clashing)
        parts << QStringLiteral("repeated in its row, column or box");
    if (m_outlined || m_hinted)
        parts << QStringLiteral("shown by the hint");
    const QString description = parts.join(QStringLiteral(", "));
    // Each change is an accessibility event; unchanged ones cost start-up time for nothing.
    if (description != accessibleDescription())
        setAccessibleDescription(description);
}

GameNumberBox::GameNumberBox(QWidget *parent)
    : BoardBox(0, White, GameNumberTextColour, parent)
{
    setGeometry(twipsRect(GameNumberBoxLeft, GameNumberBoxTop, CellWidth, CellHeight));
    QFont font(ScalableFace);
    font.setPointSizeF(15.75);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoFontMerging);
    setFont(font);
    setEnabled(false);
    setAccessibleName(QStringLiteral("Game No."));
    showColours();
}

QRect GameNumberBox::numberArea() const
{
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    return contentsOf(*this, panel);
}

QFont GameNumberBox::numberFont() const
{
    QFont shown = font();
    const qreal room = numberArea().width() - 2 * NumberClearance;
    const QString number = text();
    while (QFontMetricsF(shown, this).horizontalAdvance(number) > room
        && shown.pointSizeF() - NumberFontStep >= NumberFontFloor)
        shown.setPointSizeF(shown.pointSizeF() - NumberFontStep);
    return shown;
}

void GameNumberBox::paintEvent(QPaintEvent *)
{
    // A line edit scrolls a text wider than itself to the cursor at its end, so 101 and 201 would
    // both show "01". The game-number box is disabled and has no cursor or selection to show:
    // it draws its frame as a line edit does and the whole number centred inside it.
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

} // namespace zov::input
