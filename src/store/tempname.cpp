#include "store/tempname.h"

#include "store/connection.h"

#include <random>
#include <string_view>
#include <unistd.h>

namespace zov::store {

namespace {

constexpr std::string_view Infix = ".tmp-";

} // namespace

std::string temporaryNameBeside(const std::string &path)
{
    std::random_device seed;
    return absolutePath(path) + std::string(Infix) + std::to_string(::getpid()) + "-"
        + std::to_string(seed());
}

} // namespace zov::store
