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

bool isTemporaryNameOf(const std::string &name, const std::string &library)
{
    const std::string prefix = library + std::string(Infix);
    if (name.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string_view rest = std::string_view(name).substr(prefix.size());
    const auto dash = rest.find('-');
    const auto digits = [](std::string_view t) {
        return !t.empty() && t.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return dash != std::string_view::npos && digits(rest.substr(0, dash))
        && digits(rest.substr(dash + 1));
}

} // namespace zov::store
