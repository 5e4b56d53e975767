#pragma once

// The modal boxes the game asks and tells through. The window uses real Qt dialogs; tests
// answer them through a stand-in.

#include "board/identity.h"

#include <QString>
#include <optional>

namespace zov {

// Shown by a message box that is given no title.
inline const QString ApplicationTitle
    = QString::fromLatin1(ProgramName.data(), static_cast<qsizetype>(ProgramName.size()));
inline const QString WindowCaption
    = QString::fromLatin1(ProgramCaption.data(), static_cast<qsizetype>(ProgramCaption.size()));

enum class MessageStyle { Plain = 0, Critical = 16, Exclamation = 48, Information = 64 };

class Prompter
{
public:
    virtual ~Prompter() = default;
    // The typed text, or nothing when the player cancels.
    virtual std::optional<QString> inputBox(
        const QString &prompt, const QString &title, const QString &defaultText)
        = 0;
    virtual void messageBox(const QString &prompt, MessageStyle style, const QString &title = {})
        = 0;
};

} // namespace zov
