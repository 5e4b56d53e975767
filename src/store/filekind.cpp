#include "store/filekind.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace zov::store {
namespace fs = std::filesystem;

FileKind detectFileKind(const std::string &path)
{
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (ec || !fs::exists(status))
        return FileKind::Missing;
    if (!fs::is_regular_file(status))
        return FileKind::Unreadable;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return FileKind::Unreadable;
    std::array<char, 32> head {};
    in.read(head.data(), head.size());
    return kindOfHeader(head.data(), static_cast<std::size_t>(in.gcount()));
}

FileKind kindOfHeader(const char *head, std::size_t got)
{
    if (got == 0)
        return FileKind::Empty;
    const auto startsWith = [&](std::size_t at, const char *text, std::size_t n) {
        return got >= at + n && std::memcmp(head + at, text, n) == 0;
    };
    if (startsWith(0, "SQLite format 3", 16))
        return FileKind::SQLite;
    if (startsWith(0, "\x00\x01\x00\x00", 4) && got > 0x14) {
        if (startsWith(4, "Standard Jet DB", 16))
            return head[0x14] == 0 ? FileKind::Jet3 : FileKind::Jet4;
        if (startsWith(4, "Standard ACE DB", 16))
            return FileKind::Ace;
    }
    return FileKind::Unknown;
}

std::string describe(FileKind kind)
{
    switch (kind) {
    case FileKind::Missing:
        return "the file does not exist";
    case FileKind::Unreadable:
        return "the file cannot be read";
    case FileKind::Empty:
        return "the file is empty";
    case FileKind::SQLite:
        return "a SQLite database";
    case FileKind::Jet3:
        return "a Jet 3 (Access 97) database from the earlier version, which this version cannot "
               "open";
    case FileKind::Jet4:
        return "a Jet 4 (Access 2000) database from the earlier version, which this version cannot "
               "open";
    case FileKind::Ace:
        return "an Access (ACE) database, which this version cannot open";
    case FileKind::Unknown:
        return "the file is not a puzzle library (not a SQLite database)";
    }
    return {};
}

} // namespace zov::store
