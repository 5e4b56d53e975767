#pragma once

// What a screen reader reads of the board's boxes. A cell says where it is ("Row 3, column 6,
// box 2", rows and boxes as players count them) as its name, its digit as its text, and the
// rest of what it holds ("given", "empty, notes 1 4 9") as its description. The cells, the
// game-number box and the game's other line edits (New's number) answer every text request
// themselves: Qt 6.4's line edit spins forever on some of them (the word at the end of the text)
// and reports an empty attribute range, after which a screen reader drops the text.

#include "input/boxes.h"
#include "input/spoken.h"

#include <QAccessibleWidget>

namespace zov::input {

// The cell as it is heard.
spoken::Cell spokenCell(const CellBox &cell);

class BoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit BoxAccessible(QLineEdit *box);

    void *interface_cast(QAccessible::InterfaceType t) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    // Text: a box holds a few characters on one line.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
        int *startOffset, int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
        int *startOffset, int *endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
        int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    QLineEdit *box() const { return static_cast<QLineEdit *>(widget()); }
    // The unit of `type` around `offset`, as [start, end); false where there is none.
    bool unitAt(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const;
};

// Makes the board's boxes and every line edit that shows its text answer with BoxAccessible;
// once, before the first box is made.
void installBoxAccessibility();

} // namespace zov::input
