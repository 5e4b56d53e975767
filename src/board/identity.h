#pragma once

// Who the program is, for every layer that names it: the store's folder for the player's
// library, the windows' captions and the titles of the boxes it shows.

#include <string_view>

namespace zov {

// The command, the folder of the player's data, and the title of a box given none.
inline constexpr std::string_view ProgramName = "zovudedoda";
// The main window's caption and the title of its messages.
inline constexpr std::string_view ProgramCaption = "Zovudedoda";
// The library tool, and the program that alone reads earlier-version libraries.
inline constexpr std::string_view ToolName = "zovudedoda-db";
inline constexpr std::string_view ReaderName = "zovudedoda-jet-reader";

} // namespace zov
