// Stores puzzles into a library in a loop until killed. Puzzle n has n % 20 + 5 rows,
// Index 1 upward, every Number n % 9 + 1, so a reader can tell a whole puzzle from a part.
#include "store/puzzlestore.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    auto store = zov::store::PuzzleStore::open(argv[1]);
    if (!store)
        return 1;
    for (;;) {
        const auto top = store->highestGameNumber();
        if (!top)
            return 1;
        const int n = *top + 1;
        zov::store::Puzzle p;
        for (int i = 1; i <= n % 20 + 5; ++i)
            p.push_back({ i, n % 9 + 1 });
        if (!store->appendPuzzles({ p }, n))
            return 1;
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}
