#include "ui/qtprompter.h"

#include <QInputDialog>
#include <QMessageBox>

namespace zov {

std::optional<QString> QtPrompter::inputBox(
    const QString &prompt, const QString &title, const QString &defaultText)
{
    bool ok = false;
    const QString reply
        = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return reply;
}

void QtPrompter::messageBox(const QString &prompt, MessageStyle style, const QString &title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style) {
    case MessageStyle::Plain:
        break;
    case MessageStyle::Critical:
        icon = QMessageBox::Critical;
        break;
    case MessageStyle::Exclamation:
        icon = QMessageBox::Warning;
        break;
    case MessageStyle::Information:
        icon = QMessageBox::Information;
        break;
    }
    QMessageBox box(
        icon, title.isEmpty() ? ApplicationTitle : title, prompt, QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace zov
