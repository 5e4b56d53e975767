#include "cli/files.h"

#include "store/tempname.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace zov::cli {
namespace {

// The system's reason for the last failed call. Only ever read straight after a system call
// that failed: iostreams leave errno as it happens to be.
std::string systemReason() { return std::strerror(errno); }

// All of `text` to `fd`; the system's reason when a write fails.
std::optional<std::string> writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t put = ::write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return systemReason();
        text.remove_prefix(static_cast<std::size_t>(put));
    }
    return std::nullopt;
}

} // namespace

std::string shownName(const std::string &file) { return file == "-" ? "standard input" : file; }

std::optional<std::string> readWhole(const std::string &file, std::istream &in, std::string &text)
{
    if (file == "-") {
        std::ostringstream whole;
        if (in)
            whole << in.rdbuf();
        if (!in || in.bad())
            return std::string("it could not be read to its end");
        text = whole.str();
        return std::nullopt;
    }
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return systemReason();
    struct stat st
    {
    };
    // The system opens a folder for reading and then yields nothing, as if it were empty.
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::string("it is a folder");
    }
    std::string whole;
    std::array<char, 65536> buffer {};
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const std::string why = systemReason();
            ::close(fd);
            return why;
        }
        if (got == 0)
            break;
        whole.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    text = std::move(whole);
    return std::nullopt;
}

std::optional<std::string> writeWhole(
    const std::string &file, std::ostream &out, const Writer &write)
{
    // Made in memory first, so that every failure of the file itself comes from a system call
    // that says why.
    std::ostringstream made;
    if (auto problem = write(made))
        return problem;
    const std::string bytes = made.str();
    if (file == "-") {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush())
            return std::string("not all of it could be written");
        return std::nullopt;
    }
    const std::string temp = store::temporaryNameBeside(file);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return systemReason();
    auto problem = writeAll(fd, bytes);
    if (::close(fd) != 0 && !problem)
        problem = systemReason();
    if (!problem && std::rename(temp.c_str(), file.c_str()) != 0)
        problem = systemReason();
    if (problem)
        ::unlink(temp.c_str());
    return problem;
}

} // namespace zov::cli
