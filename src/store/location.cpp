#include "store/location.h"

#include "store/fd.h"
#include "store/process.h"
#include "store/puzzlestore.h"
#include "store/tempname.h"

#include "board/identity.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#ifndef ZOVUDEDODA_SHARED_DATA_DIR
#define ZOVUDEDODA_SHARED_DATA_DIR ""
#endif

namespace fs = std::filesystem;

namespace zov::store {
namespace {

// Any entry at all, a dangling symbolic link included: such a name is never written over.
bool entryExists(const std::string &path)
{
    struct stat st
    {
    };
    return ::lstat(path.c_str(), &st) == 0;
}

std::string inFolder(const std::string &folder, const char *name)
{
    return (fs::path(folder) / name).string();
}

std::string lastError() { return std::strerror(errno); }

Error::Kind kindOfWriteError(int error)
{
    return error == ENOSPC || error == EFBIG || error == EDQUOT ? Error::Kind::DiskFull
                                                                : Error::Kind::ReadOnly;
}

// Each missing folder on the way, private to the player as the XDG rules ask.
Status makeFolders(const fs::path &folder)
{
    fs::path at;
    for (const auto &part : folder) {
        at /= part;
        struct stat st
        {
        };
        if (::stat(at.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        if (::mkdir(at.c_str(), 0700) != 0 && errno != EEXIST)
            return Error { kindOfWriteError(errno),
                "The folder " + at.string() + " cannot be made: " + lastError() + "." };
    }
    return success();
}

// Removes `path` when it is still the file `seen` and no copier holds its lock.
bool removeIfUnlocked(const std::string &path, const struct stat &seen)
{
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st
    {
    };
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || st.st_ino != seen.st_ino
        || st.st_dev != seen.st_dev || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return false;
    return ::unlink(path.c_str()) == 0;
}

Status copyWhole(const std::string &from, const std::string &to)
{
    // The shipped library belongs to the system: read-only, whatever the permissions allow.
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return Error { Error::Kind::NotALibrary,
            "The default library " + from + " cannot be read: " + lastError() + "." };
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (out.get() < 0)
        return Error { kindOfWriteError(errno),
            "The library cannot be written in its folder: " + lastError() + "." };
    // Held while the copy is made, so that another start never takes it for a leftover.
    ::flock(out.get(), LOCK_EX);
    std::array<char, 65536> buffer {};
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Error { Error::Kind::NotALibrary,
                "The default library " + from + " cannot be read: " + lastError() + "." };
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put
                = ::write(out.get(), buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                return Error { kindOfWriteError(errno),
                    "The library cannot be written: " + lastError() + "." };
            done += put;
        }
    }
    // Synced before it gets its name, so a crash cannot leave a named but empty library.
    if (::fsync(out.get()) != 0 || ::close(out.release()) != 0)
        return Error { kindOfWriteError(errno),
            "The library cannot be written: " + lastError() + "." };
    return success();
}

} // namespace

Environment processEnvironment()
{
    Environment env;
    if (const char *v = std::getenv("XDG_DATA_HOME"))
        env.xdgDataHome = v;
    if (const char *v = std::getenv("HOME"); v && *v)
        env.home = v;
    else if (const passwd *pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        env.home = pw->pw_dir;
    return env;
}

std::string programDirectory()
{
    const fs::path self = runningProgramPath();
    return self.empty() ? std::string(".") : self.parent_path().string();
}

std::string perUserLibraryPath(const Environment &env)
{
    fs::path base;
    if (fs::path(env.xdgDataHome).is_absolute())
        base = env.xdgDataHome;
    else if (fs::path(env.home).is_absolute())
        base = fs::path(env.home) / ".local" / "share";
    else
        return {};
    return (base / ProgramName / LibraryFileName).lexically_normal().string();
}

LibraryPlace locateLibrary(
    const std::string &programDir, const std::string &sharedDataDir, const Environment &env)
{
    const std::string beside = inFolder(programDir, LibraryFileName);
    const bool besideExists = entryExists(beside);
    if (besideExists && ::access(programDir.c_str(), W_OK) == 0)
        return { beside, {}, true };

    const std::string own = perUserLibraryPath(env);
    if (own.empty() || (besideExists && !entryExists(own)))
        return { beside, {}, true };

    LibraryPlace place { own, {}, false };
    if (const std::string shared
        = sharedDataDir.empty() ? std::string() : inFolder(sharedDataDir, LibraryFileName);
        !shared.empty() && entryExists(shared))
        place.seed = shared;
    else if (besideExists)
        place.seed = beside;
    return place;
}

LibraryPlace locateLibrary()
{
    return locateLibrary(programDirectory(), ZOVUDEDODA_SHARED_DATA_DIR, processEnvironment());
}

int removeLeftoverCopies(const std::string &libraryPath)
{
    std::error_code ec;
    const fs::path library = fs::absolute(fs::path(libraryPath), ec).lexically_normal();
    const std::string name = library.filename().string();
    if (libraryPath.empty() || ec || name.empty())
        return 0;
    const auto oldest = std::time(nullptr) - LeftoverAgeSeconds;
    int removed = 0;
    for (fs::directory_iterator it(library.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        struct stat st
        {
        };
        if (!isTemporaryNameOf(entry, name) || ::lstat(it->path().c_str(), &st) != 0
            || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_mtime > oldest)
            continue;
        removed += removeIfUnlocked(it->path().string(), st);
    }
    return removed;
}

Status provideLibrary(const LibraryPlace &place)
{
    removeLeftoverCopies(place.path);
    if (entryExists(place.path))
        return success();
    // Nothing to make it from: opening it says that the file is missing.
    if (place.seed.empty())
        return success();
    if (const FileKind kind = detectFileKind(place.seed); kind != FileKind::SQLite)
        return Error { Error::Kind::NotALibrary,
            "The default library " + place.seed + " cannot be used: " + describe(kind) + "." };
    if (const auto made = makeFolders(fs::path(place.path).parent_path()); !made)
        return made;

    // Copied under a temporary name and checked before it gets the library's name: an
    // interrupted or failed first start leaves nothing that the next one would take for a
    // library.
    const std::string temp = temporaryNameBeside(place.path);
    Status made = copyWhole(place.seed, temp);
    if (made) {
        if (auto opened = PuzzleStore::open(temp); !opened)
            made = Error { Error::Kind::Damaged,
                "The default library " + place.seed + " cannot be used: " + opened.error().reason };
    }
    // link() refuses to replace: a library that appeared meanwhile (another start) stays.
    if (made && ::link(temp.c_str(), place.path.c_str()) != 0 && errno != EEXIST)
        made = Error { kindOfWriteError(errno),
            "The library cannot be put in place at " + place.path + ": " + lastError() + "." };
    std::error_code ec;
    fs::remove(temp, ec);
    if (made) {
        Fd folder(::open(fs::path(place.path).parent_path().c_str(), O_RDONLY | O_DIRECTORY));
        if (folder.get() >= 0)
            ::fsync(folder.get());
    }
    return made;
}

} // namespace zov::store
