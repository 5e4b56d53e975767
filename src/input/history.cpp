#include "input/history.h"

#include <algorithm>

namespace zov::input {

void History::seal(const std::function<CellState(CellIndex)> &shown)
{
    if (m_open.empty())
        return;
    Step step;
    for (auto &change : m_open) {
        change.after = shown(change.cell);
        if (change.after != change.before)
            step.push_back(change);
    }
    m_open.clear();
    m_touched.reset();
    if (step.empty())
        return;
    std::sort(
        step.begin(), step.end(), [](const Change &a, const Change &b) { return a.cell < b.cell; });
    m_undo.push_back(std::move(step));
    m_redo.clear();
}

History::Step History::abandon()
{
    Step open = std::move(m_open);
    m_open.clear();
    m_touched.reset();
    return open;
}

void History::reset()
{
    m_undo.clear();
    m_redo.clear();
    m_open.clear();
    m_touched.reset();
}

const History::Step *History::undo()
{
    if (m_undo.empty())
        return nullptr;
    m_redo.push_back(std::move(m_undo.back()));
    m_undo.pop_back();
    return &m_redo.back();
}

const History::Step *History::redo()
{
    if (m_redo.empty())
        return nullptr;
    m_undo.push_back(std::move(m_redo.back()));
    m_redo.pop_back();
    return &m_undo.back();
}

} // namespace zov::input
