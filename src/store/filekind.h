#pragma once

// What a file is, judged by its first bytes before anything parses it: a SQLite library, one of
// the earlier version (Jet 3 or 4), another Access file, or none of these.

#include <cstddef>
#include <string>

namespace zov::store {

enum class FileKind { Missing, Unreadable, Empty, SQLite, Jet3, Jet4, Ace, Unknown };
FileKind detectFileKind(const std::string &path);
// The same from the file's first bytes (at least 32 where the file has them).
FileKind kindOfHeader(const char *head, std::size_t size);
// The kind in words, to follow "It is" or stand as a reason.
std::string describe(FileKind kind);

} // namespace zov::store
