// Fuzz target: recognising a library file by its first bytes.
#include "fuzz.h"
#include "store/puzzlestore.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    (void)zov::store::kindOfHeader(reinterpret_cast<const char *>(data), size);
    return 0;
}
