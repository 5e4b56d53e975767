#pragma once

#include "play/prompter.h"

class QWidget;

namespace zov {

// The real modal boxes: QInputDialog and QMessageBox.
class QtPrompter : public Prompter
{
public:
    explicit QtPrompter(QWidget *parent = nullptr)
        : m_parent(parent)
    {
    }
    void setParent(QWidget *parent) { m_parent = parent; }
    std::optional<QString> inputBox(
        const QString &prompt, const QString &title, const QString &defaultText) override;
    void messageBox(const QString &prompt, MessageStyle style, const QString &title = {}) override;

private:
    QWidget *m_parent;
};

} // namespace zov
