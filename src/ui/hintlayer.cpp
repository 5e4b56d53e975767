#include "ui/hintlayer.h"

#include "look/marks.h"
#include "look/screen.h"
#include "puzzles/units.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

namespace zov {
namespace {

using puzzles::hints::Drawing;
using Role = puzzles::hints::Role;

// Widths in the window's pixels at 96 dpi; the painter scales them with the screen.
constexpr qreal FrameWidth = 2;
constexpr qreal ThickWidth = 3;
constexpr qreal ThinWidth = 1.5;
constexpr qreal LinkWidth = 1.5;
constexpr qreal CasingWidth = 4;
constexpr qreal StrikeWidth = 2;
constexpr qreal BadgePoints = 5;
// Faint candidates: what the step needs where the player has no note of it.
constexpr int FaintAlpha = 150;

QPen penOf(const QColor &c, qreal width, Qt::PenStyle style = Qt::SolidLine)
{
    QPen pen(c, width, style);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(style == Qt::SolidLine ? Qt::SquareCap : Qt::FlatCap);
    if (style == Qt::DashLine)
        pen.setDashPattern({ 3, 2 });
    else if (style == Qt::DotLine)
        pen.setDashPattern({ 1, 1.5 });
    return pen;
}

QRectF inset(const QRectF &r, qreal by) { return r.adjusted(by, by, -by, -by); }

} // namespace

HintLayer::HintLayer(input::Board &board)
    : QWidget(board.cell(1)->parentWidget())
    , m_board(board)
{
    setObjectName(QStringLiteral("hintLayer"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(parentWidget()->rect());
    hide();
}

void HintLayer::setDrawing(const Drawing &drawing)
{
    m_drawing = drawing;
    // What a screen reader says of the cells the drawing marks.
    std::array<bool, 81> marked {};
    for (const auto &m : m_drawing.cells)
        if (m.cell >= 0 && m.cell < 81)
            marked[static_cast<std::size_t>(m.cell)] = true;
    for (const auto &c : m_drawing.candidates)
        if (c.cell >= 0 && c.cell < 81)
            marked[static_cast<std::size_t>(c.cell)] = true;
    for (int p = 0; p < 81; ++p)
        box(p)->setHinted(marked[static_cast<std::size_t>(p)]);
    setVisible(!m_drawing.empty());
    raise();
    update();
}

input::CellBox *HintLayer::box(int cell) const { return m_board.cell(cellOfTextPosition(cell)); }

QRect HintLayer::cellArea(int cell) const { return box(cell)->geometry(); }

QRect HintLayer::contentsArea(int cell) const
{
    const input::CellBox *b = box(cell);
    return b->noteArea(1).united(b->noteArea(9)).translated(b->pos());
}

QRect HintLayer::ninth(int cell, int digit) const
{
    const input::CellBox *b = box(cell);
    return b->noteArea(digit).translated(b->pos());
}

QPointF HintLayer::linkEnd(int cell, int digit, QPointF to) const
{
    const QRectF n = ninth(cell, digit);
    const QPointF c = n.center();
    const QPointF d = to - c;
    const qreal length = std::hypot(d.x(), d.y());
    const qreal r = std::min(n.width(), n.height()) / 2;
    if (length <= 2 * r)
        return c;
    return c + d * (r / length);
}

void HintLayer::paintEvent(QPaintEvent *event)
{
    if (m_drawing.empty())
        return;
    QPainter p(this);
    p.setClipRegion(event->region());
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette scheme = QApplication::palette(this);
    const MarkColours colour = markColours(scheme);

    // The units: a see-through tint over their cells, and a frame round the whole unit, solid
    // for where to look and the base, dashed for the cover.
    for (const auto &s : m_drawing.shades) {
        if (s.unit < 0 || s.unit >= 27)
            continue;
        const bool cover = s.role == Role::Cover;
        const bool empty = s.role == Role::Empty;
        QRect whole;
        for (const int c : puzzles::units.cells[static_cast<std::size_t>(s.unit)]) {
            const QRect r = cellArea(c);
            p.fillRect(r.adjusted(1, 1, -1, -1), cover ? colour.coverTint : colour.baseTint);
            whole = whole.united(r);
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(penOf(empty ? colour.empty
                : cover      ? colour.groupB
                             : colour.pattern,
            empty ? ThickWidth : FrameWidth, cover ? Qt::DashLine : Qt::SolidLine));
        p.drawRect(inset(QRectF(whole), -1));
    }

    // The cells, framed inside their contents by role.
    for (const auto &m : m_drawing.cells) {
        if (m.cell < 0 || m.cell >= 81)
            continue;
        const QRectF area = contentsArea(m.cell);
        p.setBrush(Qt::NoBrush);
        switch (m.role) {
        case Role::Pivot:
            // Two frames, one inside the other: nothing else is drawn so.
            p.setPen(penOf(colour.pattern, FrameWidth));
            p.drawRect(inset(area, FrameWidth / 2));
            p.setPen(penOf(colour.pattern, 1));
            p.drawRect(inset(area, FrameWidth + 1.5));
            break;
        case Role::Pincer:
            p.setPen(penOf(colour.pattern, FrameWidth, Qt::DashLine));
            p.drawRect(inset(area, FrameWidth / 2));
            break;
        case Role::Fin:
            p.setPen(penOf(colour.fin, FrameWidth, Qt::DotLine));
            p.drawRect(inset(area, FrameWidth / 2));
            break;
        case Role::Empty:
            // Crossed out: nothing can stand there.
            p.setPen(penOf(colour.empty, ThickWidth));
            p.drawRect(inset(area, ThickWidth / 2));
            p.setPen(penOf(colour.empty, ThinWidth));
            p.drawLine(area.topLeft(), area.bottomRight());
            break;
        case Role::GroupB:
            p.setPen(penOf(colour.groupB, FrameWidth, Qt::DashLine));
            p.drawRect(inset(area, FrameWidth / 2));
            break;
        case Role::Removal:
            p.setPen(penOf(colour.removal, ThinWidth, Qt::DashLine));
            p.drawRect(inset(area, ThinWidth / 2));
            break;
        case Role::Placement:
            p.setPen(penOf(colour.placement, FrameWidth));
            p.drawRect(inset(area, FrameWidth / 2));
            break;
        case Role::Node:
            p.setPen(penOf(colour.pattern, ThinWidth));
            p.drawRect(inset(area, ThinWidth / 2));
            break;
        default:
            p.setPen(penOf(m.role == Role::GroupA ? colour.groupA : colour.pattern, FrameWidth));
            p.drawRect(inset(area, FrameWidth / 2));
            break;
        }
    }

    // The links, on a casing in the open cells' back that keeps them apart from the digits
    // they cross: strong solid, weak dashed.
    for (const auto &l : m_drawing.lines) {
        if (l.fromCell < 0 || l.fromCell >= 81 || l.toCell < 0 || l.toCell >= 81)
            continue;
        const QPointF a0 = QRectF(ninth(l.fromCell, l.fromDigit)).center();
        const QPointF b0 = QRectF(ninth(l.toCell, l.toDigit)).center();
        const QPointF a = linkEnd(l.fromCell, l.fromDigit, b0);
        const QPointF b = linkEnd(l.toCell, l.toDigit, a0);
        QPen casing = penOf(colour.casing, CasingWidth);
        casing.setCapStyle(Qt::FlatCap);
        p.setPen(casing);
        p.drawLine(a, b);
        p.setPen(penOf(colour.pattern, LinkWidth, l.strong ? Qt::SolidLine : Qt::DashLine));
        p.drawLine(a, b);
    }

    // The candidates, in the ninths their notes take.
    QFont badgeFont = font();
    badgeFont.setPointSizeF(BadgePoints);
    const qreal badgeHeight = QFontMetricsF(badgeFont, this).height();
    const auto badge = [&](QPointF centre, const QRectF &within, int number) {
        const QString text = QString::number(number);
        const QFontMetricsF metrics(badgeFont, this);
        const qreal h = metrics.height();
        const qreal w = std::max(h * 0.8, metrics.horizontalAdvance(text) + 2);
        QRectF r(centre.x() - w / 2, centre.y() - h / 2, w, h);
        r.moveLeft(std::clamp(r.left(), within.left(), within.right() - w));
        r.moveTop(std::clamp(r.top(), within.top(), within.bottom() - h));
        p.setPen(penOf(colour.casing, 1));
        p.setBrush(colour.pattern);
        p.drawRoundedRect(r, 2, 2);
        p.setFont(badgeFont);
        p.setPen(colour.onPattern);
        p.drawText(r, Qt::AlignCenter, text);
    };
    for (const auto &c : m_drawing.candidates) {
        if (c.cell < 0 || c.cell >= 81 || c.digit < 1 || c.digit > 9)
            continue;
        const input::CellBox *b = box(c.cell);
        const QRectF n = ninth(c.cell, c.digit);
        const QString digit(QChar(u'0' + c.digit));
        const QColor ink = shownText(
            DigitColours[static_cast<std::size_t>(c.digit - 1)], b->backColour(), scheme);
        QColor faint = ink;
        faint.setAlpha(FaintAlpha);
        const bool filled
            = c.role == Role::Placement || c.role == Role::GroupA || c.role == Role::GroupB;
        const bool whole = c.role == Role::Forced || c.role == Role::Assumed;
        if (whole) {
            // A forced digit stands where it would be placed, faint, numbered in its order.
            const QRectF area = contentsArea(c.cell);
            if (b->text().isEmpty()) {
                QColor pale = ink;
                pale.setAlpha(FaintAlpha - 40);
                p.setFont(parentWidget()->font());
                p.setPen(pale);
                p.drawText(area, Qt::AlignCenter, digit);
            }
            if (c.role == Role::Assumed) {
                p.setBrush(Qt::NoBrush);
                p.setPen(penOf(colour.pattern, FrameWidth));
                p.drawEllipse(inset(area, 1));
            }
            if (c.number > 0)
                badge(area.topLeft(), area, c.number);
            continue;
        }
        if (c.faint && !filled) {
            p.setFont(b->noteFont());
            p.setPen(faint);
            p.drawText(n, Qt::AlignCenter, digit);
        }
        const QRectF ring = inset(n, 0.5);
        switch (c.role) {
        case Role::Removal:
            // Struck out, across the digit.
            p.setPen(penOf(colour.casing, StrikeWidth + 2));
            p.drawLine(ring.bottomLeft(), ring.topRight());
            p.setPen(penOf(colour.removal, StrikeWidth));
            p.drawLine(ring.bottomLeft(), ring.topRight());
            break;
        case Role::Placement:
        case Role::GroupA:
        case Role::GroupB: {
            // Filled, the digit on it: a disc for the first group, a square for the second
            // and for a placement.
            const QColor fill = c.role == Role::Placement ? colour.placement
                : c.role == Role::GroupA                  ? colour.groupA
                                                          : colour.groupB;
            p.setPen(Qt::NoPen);
            p.setBrush(fill);
            if (c.role == Role::GroupA)
                p.drawEllipse(ring);
            else
                p.drawRect(ring);
            p.setFont(b->noteFont());
            p.setPen(textOn(fill));
            p.drawText(n, Qt::AlignCenter, digit);
            break;
        }
        case Role::Fin:
            p.setBrush(Qt::NoBrush);
            p.setPen(penOf(colour.fin, ThinWidth, Qt::DotLine));
            p.drawEllipse(ring);
            break;
        default:
            p.setBrush(Qt::NoBrush);
            p.setPen(penOf(colour.pattern, ThinWidth));
            p.drawEllipse(ring);
            break;
        }
        if (c.number > 0) {
            // On the ring's side away from the cell's middle, so that the numbers of the two
            // candidates a cell can hold in a chain stay apart.
            int dx = (c.digit - 1) % 3 - 1, dy = (c.digit - 1) / 3 - 1;
            if (dx == 0 && dy == 0)
                dx = dy = -1;
            const qreal out = std::min(n.width(), n.height()) / 2 + badgeHeight * 0.3;
            const QPointF at = n.center() + QPointF(dx, dy) * out;
            badge(at, QRectF(rect()), c.number);
        }
    }
}

} // namespace zov
