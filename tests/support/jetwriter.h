#pragma once

// Writes small Jet 3 / Jet 4 database files (the format of the earlier version's puzzle
// library) for tests: a catalog and plain tables without indexes. Made from the public notes
// on the format; checked in the tests with mdbtools' own command-line reader.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zov::test {

enum class JetType : std::uint8_t {
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Double = 0x07,
    Text = 0x0A
};

struct JetColumn
{
    std::string name;
    JetType type;
};

struct JetTable
{
    std::string name;
    std::vector<JetColumn> columns;
    // Values as text (numbers in decimal); nothing is NULL.
    std::vector<std::vector<std::optional<std::string>>> rows;
    // When set, the row count written into the table definition (to fake a cut-short file).
    std::optional<std::uint32_t> claimedRows;
};

// version 3 (2 KiB pages) or 4 (4 KiB pages). A Jet 3 file's text is in the Windows code page
// its header names.
std::vector<char> writeJet(
    int version, const std::vector<JetTable> &tables, std::uint16_t codePage = 1252);
bool writeJetFile(const std::string &path, int version, const std::vector<JetTable> &tables,
    std::uint16_t codePage = 1252);

} // namespace zov::test
