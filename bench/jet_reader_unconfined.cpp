// The Jet reader without its confinement, built for the benchmark only: the same parsing from
// memory, so that the cost of the walls is the difference between the two.
#include "store/jetprotocol.h"
#include "jet/mdbreader.h"

#include <cstdio>
#include <fcntl.h>

int main(int argc, char **argv)
{
    if (argc != 2)
        return zov::store::jet::Usage;
    zov::store::Fd file(::open(argv[1], O_RDONLY | O_CLOEXEC));
    std::vector<char> bytes;
    if (!file.valid() || !zov::jet::readWhole(file.get(), bytes))
        return zov::store::jet::IoError;
    return zov::jet::writeGameTable(bytes, stdout);
}
