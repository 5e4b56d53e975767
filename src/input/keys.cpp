#include "input/keys.h"

namespace zov::input {
namespace {

// The main keyboard's 1 to 9 and 0 as evdev numbers them (KEY_1 is 2), plus X11's offset of 8,
// which Wayland's keycodes carry too.
constexpr quint32 ScanCodeOf1 = 10;
constexpr quint32 ScanCodeOf0 = 19;

int digitOfKey(int key, quint32 scanCode)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key - Qt::Key_0;
    if (scanCode >= ScanCodeOf1 && scanCode <= ScanCodeOf0)
        return scanCode == ScanCodeOf0 ? 0 : static_cast<int>(scanCode - ScanCodeOf1) + 1;
    return -1;
}

} // namespace

std::optional<KeyCommand> commandOf(int key, Qt::KeyboardModifiers modifiers, quint32 scanCode)
{
    if (modifiers.testFlag(Qt::KeypadModifier))
        return std::nullopt;
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    if (modifiers.testAnyFlags(Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    if (key == Qt::Key_F1 && !ctrl)
        return KeyCommand { Command::Keys };
    if (!ctrl)
        return std::nullopt;
    switch (key) {
    case Qt::Key_Z:
        return KeyCommand { shift ? Command::Redo : Command::Undo };
    case Qt::Key_Y:
        return shift ? std::nullopt : std::optional(KeyCommand { Command::Redo });
    case Qt::Key_H:
        return shift ? std::nullopt : std::optional(KeyCommand { Command::Hint });
    case Qt::Key_N:
        return shift ? std::optional(KeyCommand { Command::FillNotes }) : std::nullopt;
    case Qt::Key_Delete:
        return KeyCommand { Command::ClearNotes };
    default:
        break;
    }
    const int digit = digitOfKey(key, scanCode);
    if (digit == 0)
        return KeyCommand { Command::ClearNotes };
    if (digit > 0)
        return KeyCommand { Command::ToggleNote, digit };
    return std::nullopt;
}

} // namespace zov::input
