#include "cli/files.h"

#include "store/tempname.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zov::cli {

std::string shownName(const std::string &file) { return file == "-" ? "standard input" : file; }

std::optional<std::string> readWhole(const std::string &file, std::istream &in, std::string &text)
{
    // The system opens a folder for reading and then yields nothing, as if it were empty.
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        return std::string("it is a folder");
    std::ifstream opened;
    if (file != "-")
        opened.open(file, std::ios::binary);
    std::istream &source = file == "-" ? in : opened;
    std::ostringstream whole;
    if (source)
        whole << source.rdbuf();
    if (!source || source.bad())
        return std::string(std::strerror(errno));
    text = whole.str();
    return std::nullopt;
}

std::optional<std::string> writeWhole(
    const std::string &file, std::ostream &out, const Writer &write)
{
    if (file == "-") {
        auto problem = write(out);
        if (!problem && !out.flush())
            problem = std::string(std::strerror(errno));
        return problem;
    }
    const std::string temp = store::temporaryNameBeside(file);
    std::ofstream stream(temp, std::ios::binary | std::ios::trunc);
    if (!stream)
        return std::string(std::strerror(errno));
    auto problem = write(stream);
    stream.close();
    if (!problem && !stream)
        problem = std::string(std::strerror(errno));
    if (!problem && std::rename(temp.c_str(), file.c_str()) != 0)
        problem = std::string(std::strerror(errno));
    if (problem)
        std::remove(temp.c_str());
    return problem;
}

} // namespace zov::cli
