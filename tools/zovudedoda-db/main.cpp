#include "cli/dbtool.h"
#include "store/location.h"

#include <iostream>

int main(int argc, char **argv)
{
    // The same library the game plays on.
    return zov::cli::runDbTool(
        { argv + 1, argv + argc }, zov::store::locateLibrary(), std::cout, std::cerr);
}
