#include "jet/mdbreader.h"

#include "store/jetprotocol.h"
#include "store/reasons.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iconv.h>
#include <mdbtools.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zov::jet {

// The reply's format, which the store reads back.
namespace wire = store::jet;

namespace {

int fail(std::FILE *out, wire::ExitCode code, const std::string &reason)
{
    std::fprintf(out, "%s\t%s\n", wire::FailTag.data(), wire::escapeField(reason).c_str());
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

// Which converters libmdb will ask glibc for. glibc loads a converter from disk the first time
// it is asked for one, which the confined reader cannot do: each is opened here, beforehand, and
// kept open so that glibc keeps it loaded. Jet 4 and later hold UCS-2 text; Jet 3 text is in the
// code page the file names, so a Jet 3 file (byte 0x14 is 0) gets every character set libmdb
// knows a code page for. Only that one byte of the file is looked at before the filter.
void loadCharacterSets(int fd)
{
    static constexpr std::array codePages { "CP1252", "IBM437", "IBM850", "IBM852", "IBM855",
        "IBM860", "IBM861", "IBM862", "IBM865", "IBM866", "IBM869", "WINDOWS-874", "SHIFT-JIS",
        "WINDOWS-936", "BIG-5", "BIG5-HKSCS", "WINDOWS-1250", "WINDOWS-1251", "WINDOWS-1252",
        "WINDOWS-1253", "WINDOWS-1254", "WINDOWS-1255", "WINDOWS-1256", "WINDOWS-1257",
        "WINDOWS-1258", "CP1361", "UTF-16LE", "UTF-16BE", "UTF-32LE", "UTF-32BE", "KOI8-R",
        "KOI8-U", "EUC-JP", "EUC-KR", "EUC-CN", "ISO-8859-1", "ISO-8859-2", "ISO-8859-3",
        "ISO-8859-4", "ISO-8859-5", "ISO-8859-6", "ISO-8859-7", "ISO-8859-8", "ISO-8859-9",
        "ISO-8859-13", "ISO-8859-15", "UTF-7" };
    static std::vector<iconv_t> kept;
    const auto keep = [](const char *name) {
        for (const auto &[to, from] : { std::pair { name, "UTF-8" }, std::pair { "UTF-8", name } })
            if (const iconv_t cd = ::iconv_open(to, from); cd != reinterpret_cast<iconv_t>(-1))
                kept.push_back(cd);
    };
    keep("UCS-2LE");
    unsigned char version = 0;
    if (::pread(fd, &version, 1, 0x14) == 1 && version != 0)
        return;
    for (const char *name : codePages)
        keep(name);
    // libmdb honours a character set named by the player for Jet 3 files.
    if (const char *own = std::getenv("MDB_JET3_CHARSET"))
        keep(own);
}

// Standard output gets its buffer now: glibc would otherwise ask the system what the output is
// on its first write.
void bufferOutput(std::FILE *out)
{
    static std::array<char, 65536> buffer;
    std::setvbuf(out, buffer.data(), _IOFBF, buffer.size());
}

} // namespace

ConfinedInput openConfined(const char *path, std::FILE *out, std::FILE *err)
{
    ConfinedInput in;
    // libmdb says only "cannot open" for a missing file and for a foreign one alike.
    in.file.reset(::open(path, O_RDONLY | O_CLOEXEC));
    if (!in.file.valid()) {
        in.status
            = fail(out, wire::IoError, std::string("cannot open it: ") + std::strerror(errno));
        return in;
    }
    struct stat st
    {
    };
    in.size = ::fstat(in.file.get(), &st) == 0 && st.st_size > 0 ? std::uint64_t(st.st_size) : 0;
    loadCharacterSets(in.file.get());
    ::tzset(); // libmdb formats dates; the time zone is read now, not under the filter
    bufferOutput(out);
    ReaderLimits limits; // processor time as confinement.h sets it
    limits.addressSpace = readerAddressSpace(in.size);
    in.confinement = confineReader(in.file.get(), limits);
    if (!in.confinement.filtered)
        std::fprintf(err,
            "%s: reading without a seccomp filter, under the resource limits alone: %s\n",
            wire::ProgramName.data(), in.confinement.problem.c_str());
    else if (!in.confinement.limited)
        std::fprintf(err, "%s: reading without every resource limit: %s\n",
            wire::ProgramName.data(), in.confinement.problem.c_str());
    return in;
}

bool readWhole(int fd, std::vector<char> &bytes, std::uint64_t expected)
{
    // One byte more than expected, so that the read that finds the end needs no larger buffer.
    bytes.resize(static_cast<std::size_t>(expected) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(std::max<std::size_t>(65536, bytes.size() * 2));
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    return true;
}

int runJetReader(const char *path, std::FILE *out, std::FILE *err)
{
    ConfinedInput in = openConfined(path, out, err);
    if (in.status != wire::Success)
        return in.status;
    try {
        std::vector<char> bytes;
        if (!readWhole(in.file.get(), bytes, in.size))
            return fail(out, wire::IoError, std::string("cannot read it: ") + std::strerror(errno));
        in.file.reset();
        return writeGameTable(bytes, out);
    } catch (const std::bad_alloc &) {
        return fail(out, wire::Confined, "reading it needs more memory than its reader may use");
    }
}

int writeGameTable(std::vector<char> &bytes, std::FILE *out)
{
    Open db;
    if (!bytes.empty())
        db.mdb = mdb_open_buffer(bytes.data(), bytes.size(), MDB_NOFLAGS);
    if (!db.mdb)
        return fail(out, wire::NotJet, store::reasons::NotAnAccessDatabase);
    std::array<gchar, 8> name { "Game" };
    db.table = mdb_read_table_by_name(db.mdb, name.data(), MDB_TABLE);
    if (!db.table)
        return fail(out, wire::NoTable, store::reasons::NoGameTable);
    if (!mdb_read_columns(db.table))
        return fail(out, wire::CutShort, "the table Game cannot be read");

    std::vector<std::vector<char>> buffers(3, std::vector<char>(db.mdb->bind_size + 1, '\0'));
    const char *fields[] = { "GameNo", "Index", "Number" };
    for (std::size_t k = 0; k < 3; ++k) {
        std::array<gchar, 16> field {};
        std::snprintf(field.data(), field.size(), "%s", fields[k]);
        if (mdb_bind_column_by_name(db.table, field.data(), buffers[k].data(), nullptr) < 0)
            return fail(
                out, wire::NoFields, std::string("the table Game has no field ") + fields[k]);
    }
    mdb_rewind_table(db.table);
    unsigned long count = 0;
    while (mdb_fetch_row(db.table)) {
        std::fprintf(out, "%s\t%s\t%s\t%s\n", wire::RowTag.data(),
            wire::escapeField(buffers[0].data()).c_str(),
            wire::escapeField(buffers[1].data()).c_str(),
            wire::escapeField(buffers[2].data()).c_str());
        ++count;
    }
    // A file cut short at a page boundary reads fewer rows than its table says it holds.
    if (count < db.table->num_rows)
        return fail(out, wire::CutShort,
            "the Access database is cut short: it holds " + std::to_string(count) + " of its "
                + std::to_string(db.table->num_rows) + " rows");
    std::fprintf(out, "%s\t%lu\n", wire::EndTag.data(), count);
    if (std::fflush(out) != 0 || std::ferror(out))
        return wire::IoError;
    return wire::Success;
}

} // namespace zov::jet
