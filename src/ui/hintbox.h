#pragma once

// The hint box: the easiest next step, told a level at a time. More tells more, Apply (at the
// last level, where there is a step) takes it and closes the box, Close or Escape close it.

#include "input/board.h"
#include "puzzles/hints/hint.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace zov {

class HintBox : public QDialog
{
    Q_OBJECT
public:
    HintBox(const puzzles::hints::Hint &hint, input::Board &board, QWidget *parent = nullptr);

    int level() const { return m_level; }
    QLabel *text() const { return m_text; }
    QPushButton *more() const { return m_more; }
    QPushButton *apply() const { return m_apply; }
    QPushButton *closeButton() const { return m_close; }

private:
    void tell(int level);
    const puzzles::hints::Hint &m_hint;
    input::Board &m_board;
    int m_level = 0;
    QLabel *m_text = nullptr;
    QPushButton *m_more = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_close = nullptr;
};

} // namespace zov
