// Fuzz target: the Jet reader's parsing, as the reader does it once confined: the file read
// whole, opened by libmdb from memory, and table Game written out. The input goes through a
// temporary file so that reading it takes the reader's own path. A crash here is a flaw in libmdb
// or in the reader; the confined reader must turn either into a clean refusal.
#include "fuzz.h"
#include "jet/mdbreader.h"

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::string path = zov::fuzz::scratchFile("jet.mdb");
    static std::FILE *sink = std::fopen("/dev/null", "w");
    if (path.empty())
        return 0;
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    zov::store::Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::vector<char> bytes;
    if (file.valid() && zov::jet::readWhole(file.get(), bytes))
        (void)zov::jet::writeGameTable(bytes, sink);
    std::remove(path.c_str());
    return 0;
}
