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
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    // A cell holds one character: where the cursor stands in it means nothing to the player.
    if (key == Qt::Key_Delete && held == Qt::NoModifier)
        return KeyCommand { Command::EmptyCell };
    if (modifiers.testFlag(Qt::KeypadModifier))
        return std::nullopt;
    if (modifiers.testAnyFlags(Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    if (key == Qt::Key_F1 && !ctrl)
        return KeyCommand { Command::Keys };
    if (key == Qt::Key_Pause && !shift)
        return KeyCommand { Command::Pause };
    // The keys that open a context menu elsewhere do what the right button does.
    if ((key == Qt::Key_Menu && held == Qt::NoModifier)
        || (key == Qt::Key_F10 && held == Qt::ShiftModifier))
        return KeyCommand { Command::ToggleMark };
    if (!ctrl)
        return std::nullopt;
    if (shift) {
        // Ctrl+Shift with a letter: no line edit binds these, nor do desktops, unlike Ctrl+Alt.
        switch (key) {
        case Qt::Key_R:
            return KeyCommand { Command::ReadRow };
        case Qt::Key_C:
            return KeyCommand { Command::ReadColumn };
        case Qt::Key_B:
            return KeyCommand { Command::ReadBox };
        case Qt::Key_D:
            return KeyCommand { Command::ReadToPlace };
        default:
            break;
        }
    }
    switch (key) {
    case Qt::Key_Z:
        return KeyCommand { shift ? Command::Redo : Command::Undo };
    case Qt::Key_Y:
        return shift ? std::nullopt : std::optional(KeyCommand { Command::Redo });
    case Qt::Key_H:
        return shift ? std::nullopt : std::optional(KeyCommand { Command::Hint });
    case Qt::Key_N:
        return KeyCommand { shift ? Command::FillNotes : Command::New };
    case Qt::Key_Q:
        return shift ? std::nullopt : std::optional(KeyCommand { Command::Quit });
    case Qt::Key_M:
        return shift ? std::nullopt : std::optional(KeyCommand { Command::Warnings });
    case Qt::Key_L:
        return shift ? std::nullopt : std::optional(KeyCommand { Command::SameDigit });
    case Qt::Key_T:
        return shift ? std::nullopt : std::optional(KeyCommand { Command::Clock });
    case Qt::Key_P:
        return shift ? std::nullopt : std::optional(KeyCommand { Command::Pause });
    // Ctrl+? (Shift with the key of / on most layouts): the desktop's key for a keys window.
    case Qt::Key_Question:
        return KeyCommand { Command::Keys };
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
