#pragma once

// The main window as the window tests meet it, and cells to act on.

#include "ui/form1.h"

#include <QApplication>
#include <QTest>
#include <memory>

namespace zov::test {

// A window on the library at `path`, loaded, shown and active; nothing when any of it fails.
inline std::unique_ptr<Form1> openWindow(const QString &path, Prompter &prompter)
{
    auto form = std::make_unique<Form1>(path, prompter);
    if (!form->Load())
        return nullptr;
    form->showCentred();
    QApplication::setActiveWindow(form.get());
    if (!QTest::qWaitForWindowActive(form.get()))
        return nullptr;
    return form;
}

// The first empty open cell after `after`, and the first given cell; 0 for none.
inline CellIndex openCell(const Board &board, CellIndex after = 0)
{
    for (CellIndex i = after + 1; i <= CellCount; ++i)
        if (board.backColour(i) == OpenColour && board.text(i).isEmpty())
            return i;
    return 0;
}
inline CellIndex givenCell(const Board &board)
{
    for (CellIndex i = 1; i <= CellCount; ++i)
        if (board.backColour(i) == GivenColour)
            return i;
    return 0;
}

} // namespace zov::test
