#pragma once

// The entry point every fuzz target defines; libFuzzer or the corpus replayer calls it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace zov::fuzz {

// A file named `name` in a folder of this process's own, made once under $TMPDIR (else /tmp)
// and removed at exit: no fixed name another user could have put a link at. Empty when no
// folder can be made.
inline std::string scratchFile(const char *name)
{
    struct Folder
    {
        std::string path;
        Folder()
        {
            const char *tmp = std::getenv("TMPDIR");
            std::string pattern
                = std::string(tmp && *tmp ? tmp : "/tmp") + "/zovudedoda-fuzz-XXXXXX";
            if (::mkdtemp(pattern.data()))
                path = pattern;
        }
        ~Folder()
        {
            if (!path.empty())
                ::rmdir(path.c_str());
        }
    };
    static const Folder folder;
    return folder.path.empty() ? std::string() : folder.path + "/" + name;
}

} // namespace zov::fuzz
