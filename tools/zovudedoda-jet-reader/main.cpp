#include "store/jetprotocol.h"
#include "store/mdbreader.h"

#include <cstdio>

// zovudedoda-jet-reader FILE: table Game of an earlier-version library on standard output.
int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", zov::store::jet::ProgramName.data());
        return zov::store::jet::Usage;
    }
    return zov::store::writeGameTable(argv[1], stdout);
}
