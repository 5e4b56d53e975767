#include "store/mdbreader.h"

#include "store/jetprotocol.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mdbtools.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace zov::store {

namespace {

int fail(std::FILE *out, jet::ExitCode code, const std::string &reason)
{
    std::fprintf(out, "%s\t%s\n", jet::FailTag.data(), jet::escapeField(reason).c_str());
    std::fflush(out);
    return code;
}

// libmdb's handles, closed however the reading ends.
struct Open
{
    MdbHandle *mdb = nullptr;
    MdbTableDef *table = nullptr;
    Open() = default;
    Open(const Open &) = delete;
    Open &operator=(const Open &) = delete;
    ~Open()
    {
        if (table)
            mdb_free_tabledef(table);
        if (mdb)
            mdb_close(mdb);
    }
};

} // namespace

int writeGameTable(const char *path, std::FILE *out)
{
    // libmdb says only "cannot open" for a missing file and for a foreign one alike.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(out, jet::IoError, std::string("cannot open it: ") + std::strerror(errno));
    ::close(fd);

    Open db;
    db.mdb = mdb_open(path, MDB_NOFLAGS);
    if (!db.mdb)
        return fail(out, jet::NotJet, "the file cannot be read as an Access database");
    std::array<gchar, 8> name { "Game" };
    db.table = mdb_read_table_by_name(db.mdb, name.data(), MDB_TABLE);
    if (!db.table)
        return fail(out, jet::NoTable, "the file has no table named Game");
    if (!mdb_read_columns(db.table))
        return fail(out, jet::CutShort, "the table Game cannot be read");

    std::vector<std::vector<char>> buffers(3, std::vector<char>(db.mdb->bind_size + 1, '\0'));
    const char *fields[] = { "GameNo", "Index", "Number" };
    for (std::size_t k = 0; k < 3; ++k) {
        std::array<gchar, 16> field {};
        std::snprintf(field.data(), field.size(), "%s", fields[k]);
        if (mdb_bind_column_by_name(db.table, field.data(), buffers[k].data(), nullptr) < 0)
            return fail(
                out, jet::NoFields, std::string("the table Game has no field ") + fields[k]);
    }
    mdb_rewind_table(db.table);
    unsigned long count = 0;
    while (mdb_fetch_row(db.table)) {
        std::fprintf(out, "%s\t%s\t%s\t%s\n", jet::RowTag.data(),
            jet::escapeField(buffers[0].data()).c_str(),
            jet::escapeField(buffers[1].data()).c_str(),
            jet::escapeField(buffers[2].data()).c_str());
        ++count;
    }
    // A file cut short at a page boundary reads fewer rows than its table says it holds.
    if (count < db.table->num_rows)
        return fail(out, jet::CutShort,
            "the Access database is cut short: it holds " + std::to_string(count) + " of its "
                + std::to_string(db.table->num_rows) + " rows");
    std::fprintf(out, "%s\t%lu\n", jet::EndTag.data(), count);
    if (std::fflush(out) != 0 || std::ferror(out))
        return jet::IoError;
    return jet::Success;
}

} // namespace zov::store
