#include "cli/dbtool.h"

#include <filesystem>
#include <iostream>

int main(int argc, char **argv)
{
    std::error_code ec;
    // The game's library lies beside its executable, and so beside this tool.
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(argv[0], ec);
    const std::string defaultDb = (self.parent_path() / "Zovudedoda.mdb").string();
    return zov::cli::runDbTool({ argv + 1, argv + argc }, defaultDb, std::cout, std::cerr);
}
