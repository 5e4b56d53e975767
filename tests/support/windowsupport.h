#pragma once

// The main window as the window tests meet it, and cells to act on.

#include "ui/form1.h"

#include "support/testsupport.h"

#include <QApplication>
#include <QTemporaryDir>
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
inline CellIndex openCell(const input::Board &board, CellIndex after = 0)
{
    for (CellIndex i = after + 1; i <= CellCount; ++i)
        if (board.backColour(i) == OpenColour && board.text(i).isEmpty())
            return i;
    return 0;
}
inline CellIndex givenCell(const input::Board &board)
{
    for (CellIndex i = 1; i <= CellCount; ++i)
        if (board.backColour(i) == GivenColour)
            return i;
    return 0;
}

// Writes of the test's own that set up a board, as one action, as the game's writes are.
template <typename Write> void arrange(input::Board &board, Write write)
{
    const input::Board::Action action(board);
    write();
}

// What the window tests share: a library file of their own, and a window opened on it afresh
// for each test function, with its prompter. A test's init() calls openFresh(), its cleanup()
// closeWindow().
class WindowFixture
{
protected:
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(QStringLiteral("lib.mdb"));
    ScriptedPrompter m_prompter;
    std::unique_ptr<Form1> m_form;

    input::Board &board() { return m_form->board(); }
    input::CellBox *cell(int i) { return board().cell(i); }
    int openCell(int after = 0) { return test::openCell(board(), after); }
    int givenCell() { return test::givenCell(board()); }

    bool openFresh()
    {
        m_prompter = {};
        m_form = openWindow(m_path, m_prompter);
        return m_form != nullptr;
    }
    // True when nothing of the window is left.
    bool closeWindow()
    {
        m_form.reset();
        return QApplication::topLevelWidgets().isEmpty();
    }
};

} // namespace zov::test
