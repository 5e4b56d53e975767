#pragma once

#include "board/identity.h"

// What the reader of earlier-version libraries (zovudedoda-jet-reader FILE) and the store that
// starts it agree on. The reader is a program of its own so that mdbtools' library runs in a
// fresh process, never in a forked copy of the threaded game.
//
// Standard output, one record a line, fields separated by a tab:
//   row <TAB> GameNo <TAB> Index <TAB> Number   one per row of table Game, values as libmdb
//                                               gives their text, escaped (see escapeField)
//   end <TAB> ROWS                              the last line, ROWS = the number of row lines
//   fail <TAB> REASON                           before a failing exit, the reason in words
// A run is whole only with exit status Success and a last line `end` that counts the rows read:
// output cut short by a crash, a kill or a full pipe is told apart from a short table.

#include <optional>
#include <string>
#include <string_view>

namespace zov::store::jet {

// Exit statuses of the reader. 126 and 127 belong to the loader and the shell (the reader or
// its libmdb cannot be loaded), and a signal ends it without one.
enum ExitCode : int {
    Success = 0,
    Usage = 2, // not exactly one file named
    IoError = 3, // the file cannot be opened or read, or the output cannot be written
    NotJet = 4, // libmdb does not take it for an Access database
    NoTable = 5, // no table named Game (any case)
    NoFields = 6, // Game lacks GameNo, Index or Number
    CutShort = 7, // the file holds fewer rows than its table says, or its columns cannot be read
    Confined = 8, // the reading needed more than its confinement allows (memory, for one)
};

inline constexpr std::string_view ProgramName = ReaderName;
inline constexpr std::string_view RowTag = "row";
inline constexpr std::string_view EndTag = "end";
inline constexpr std::string_view FailTag = "fail";

// A field may hold any byte; tab, line feed, carriage return and the backslash are written as
// \t, \n, \r and \\ so that a line is always one record.
inline std::string escapeField(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The text escapeField wrote, or nothing for an escape it never writes.
inline std::optional<std::string> unescapeField(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] != '\\') {
            out += text[k];
            continue;
        }
        if (++k == text.size())
            return std::nullopt;
        switch (text[k]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

} // namespace zov::store::jet
