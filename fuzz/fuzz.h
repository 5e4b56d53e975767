#pragma once

// The entry point every fuzz target defines; libFuzzer or the corpus replayer calls it.

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
