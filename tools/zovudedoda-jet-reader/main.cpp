#include "store/jetprotocol.h"
#include "jet/mdbreader.h"

#include <cstdio>

// zovudedoda-jet-reader FILE: table Game of an earlier-version library on standard output,
// read under confinement.
int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", zov::store::jet::ProgramName.data());
        return zov::store::jet::Usage;
    }
    return zov::jet::runJetReader(argv[1], stdout, stderr);
}

#if defined(__SANITIZE_ADDRESS__)
// LeakSanitizer's check at exit starts a tracer thread, which the filter forbids.
extern "C" int __lsan_is_turned_off() { return 1; }
#endif
