#include "input/cellaccessible.h"

#include <QLineEdit>

namespace zov::input {
namespace {

QAccessibleInterface *boxFactory(const QString &, QObject *object)
{
    // A password's text is not for reading out: Qt's own interface hides it.
    auto *box = qobject_cast<QLineEdit *>(object);
    if (box && box->echoMode() == QLineEdit::Normal)
        return new BoxAccessible(box);
    return nullptr;
}

bool isBlank(QChar c) { return c.isSpace(); }

void boxUpdates(QAccessibleEvent *event);

// Hands an event on to the platform's bridge, as Qt does without a handler.
void passOn(QAccessibleEvent *event)
{
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(boxUpdates);
}

// New and Clear rewrite dozens of boxes at once, and each rewrite is a handful of events. Orca
// drops much of what arrives in such a flood, the words said right after it too. A box without
// the focus keeps its text, caret and description changes to itself: nobody reads those before
// the box takes the focus, and then its description is sent again for the readers' caches.
void boxUpdates(QAccessibleEvent *event)
{
    auto *box = qobject_cast<BoardBox *>(event->object());
    if (box) {
        switch (event->type()) {
        case QAccessible::TextCaretMoved:
        case QAccessible::TextSelectionChanged:
        case QAccessible::TextInserted:
        case QAccessible::TextRemoved:
        case QAccessible::TextUpdated:
        case QAccessible::DescriptionChanged:
            if (!box->hasFocus())
                return;
            break;
        case QAccessible::Focus: {
            QAccessibleEvent described(box, QAccessible::DescriptionChanged);
            passOn(&described);
            break;
        }
        default:
            break;
        }
    }
    passOn(event);
}

} // namespace

spoken::Cell spokenCell(const CellBox &cell)
{
    const QString text = cell.text();
    spoken::Cell c;
    if (text.size() == 1 && text.front() >= QLatin1Char('1') && text.front() <= QLatin1Char('9'))
        c.digit = text.front().unicode() - u'0';
    c.notes = cell.notes();
    c.given = cell.backColour() == GivenColour;
    c.marked = cell.backColour() == MarkColour;
    return c;
}

BoxAccessible::BoxAccessible(QLineEdit *box)
    : QAccessibleWidget(box, QAccessible::EditableText)
{
}

void *BoxAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(t);
}

QString BoxAccessible::text(QAccessible::Text t) const
{
    const auto *cell = qobject_cast<const CellBox *>(box());
    switch (t) {
    case QAccessible::Value:
        return box()->text();
    case QAccessible::Name:
        if (cell)
            return QString::fromStdString(spoken::place(cell->index()));
        break;
    case QAccessible::Description:
        if (cell) {
            QString said = QString::fromStdString(spoken::remark(spokenCell(*cell)));
            if (cell->outlined())
                said += (said.isEmpty() ? QString() : QStringLiteral(", "))
                    + QStringLiteral("shown by the hint");
            return said;
        }
        break;
    default:
        break;
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State BoxAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = box()->isEnabled() && !box()->isReadOnly();
    s.readOnly = !s.editable;
    s.selectableText = true;
    return s;
}

void BoxAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !box()->hasSelectedText())
        return;
    *startOffset = box()->selectionStart();
    *endOffset = box()->selectionEnd();
}

int BoxAccessible::selectionCount() const { return box()->hasSelectedText() ? 1 : 0; }

void BoxAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void BoxAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        box()->deselect();
}

void BoxAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    const int n = characterCount();
    if (selectionIndex != 0 || startOffset < 0 || endOffset > n || startOffset > endOffset)
        return;
    box()->setSelection(startOffset, endOffset - startOffset);
}

int BoxAccessible::cursorPosition() const { return box()->cursorPosition(); }

void BoxAccessible::setCursorPosition(int position)
{
    box()->setCursorPosition(std::clamp(position, 0, characterCount()));
}

QString BoxAccessible::text(int startOffset, int endOffset) const
{
    const int n = characterCount();
    // -1 as the end means the end of the text.
    if (endOffset < 0 || endOffset > n)
        endOffset = n;
    startOffset = std::clamp(startOffset, 0, endOffset);
    return box()->text().mid(startOffset, endOffset - startOffset);
}

bool BoxAccessible::unitAt(
    int offset, QAccessible::TextBoundaryType type, int *start, int *end) const
{
    const QString t = box()->text();
    const int n = static_cast<int>(t.size());
    if (offset < 0 || offset > n)
        return false;
    switch (type) {
    case QAccessible::CharBoundary:
        if (offset == n)
            return false;
        *start = offset;
        *end = offset + 1;
        return true;
    case QAccessible::WordBoundary: {
        if (n == 0)
            return false;
        // A word and the blanks after it; at the very end, the last word.
        int at = offset == n ? n - 1 : offset;
        while (at > 0 && isBlank(t[at]))
            --at;
        int s = at;
        while (s > 0 && !isBlank(t[s - 1]))
            --s;
        int e = at;
        while (e < n && !isBlank(t[e]))
            ++e;
        while (e < n && isBlank(t[e]))
            ++e;
        *start = s;
        *end = e;
        return true;
    }
    case QAccessible::SentenceBoundary:
    case QAccessible::ParagraphBoundary:
    case QAccessible::LineBoundary:
    case QAccessible::NoBoundary:
        // One line, one sentence.
        *start = 0;
        *end = n;
        return true;
    }
    return false;
}

QString BoxAccessible::textAtOffset(
    int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = -1;
    int s = 0;
    int e = 0;
    if (!unitAt(offset, boundaryType, &s, &e))
        return QString();
    *startOffset = s;
    *endOffset = e;
    return text(s, e);
}

QString BoxAccessible::textBeforeOffset(
    int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = -1;
    if (offset < 0 || offset > characterCount())
        return QString();
    // The unit just before the one at `offset` (at the end of the text, the last one).
    int s = offset;
    int e = offset;
    if (offset < characterCount())
        unitAt(offset, boundaryType, &s, &e);
    if (s <= 0 || !unitAt(s - 1, boundaryType, &s, &e))
        return QString();
    *startOffset = s;
    *endOffset = e;
    return text(s, e);
}

QString BoxAccessible::textAfterOffset(
    int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = -1;
    int s = 0;
    int e = 0;
    if (!unitAt(offset, boundaryType, &s, &e) || e >= characterCount()
        || !unitAt(e, boundaryType, &s, &e) || s < 0)
        return QString();
    *startOffset = s;
    *endOffset = e;
    return text(s, e);
}

int BoxAccessible::characterCount() const { return static_cast<int>(box()->text().size()); }

QRect BoxAccessible::characterRect(int offset) const
{
    if (offset < 0 || offset > characterCount())
        return QRect();
    const QRect r = box()->rect();
    return QRect(box()->mapToGlobal(r.topLeft()), r.size());
}

int BoxAccessible::offsetAtPoint(const QPoint &point) const
{
    const QPoint local = box()->mapFromGlobal(point);
    if (!box()->rect().contains(local))
        return -1;
    return box()->cursorPositionAt(local);
}

void BoxAccessible::scrollToSubstring(int, int) { }

QString BoxAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    // One run over the whole text: a screen reader reads the text run by run.
    const int n = characterCount();
    if (offset < 0 || offset > n) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    *startOffset = 0;
    *endOffset = n;
    return QString();
}

void installBoxAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(boxFactory);
        // Nothing else in the game handles updates; Qt's own path is kept behind this one.
        QAccessible::installUpdateHandler(boxUpdates);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace zov::input
