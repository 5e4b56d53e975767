#pragma once

// Files named on the tool's command line: "-" stands for standard input or output, and what the
// tool writes to a file appears whole or not at all.

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace zov::cli {

// The name a file argument goes by in messages.
std::string shownName(const std::string &file);

// All of `file` (of `in` for "-") into `text`; otherwise why it cannot be read.
std::optional<std::string> readWhole(const std::string &file, std::istream &in, std::string &text);

// Writes through `write` (which returns why it failed, if it did) to `out` for "-"; otherwise
// to a temporary file beside `file`, renamed into place only when whole and removed if not.
// Returns why the output could not be written.
using Writer = std::function<std::optional<std::string>(std::ostream &)>;
std::optional<std::string> writeWhole(
    const std::string &file, std::ostream &out, const Writer &write);

} // namespace zov::cli
