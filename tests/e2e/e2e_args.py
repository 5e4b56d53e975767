"""The one argument of the end-to-end tests: the build's bin folder. Started by hand without it,
a test looks beside the source tree, and skips with the reason when no game is built there."""

import os
import subprocess
import sys

SKIP = 77


def bin_dir():
    if len(sys.argv) > 1:
        return os.path.abspath(sys.argv[1])
    top = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir)
    guess = os.path.abspath(os.path.join(top, os.environ.get("ZOVUDEDODA_BUILD_DIR", "build"), "bin"))
    if not os.access(os.path.join(guess, "zovudedoda"), os.X_OK):
        print(f"SKIP: no game built in {guess}; name the build's bin folder as the argument")
        sys.exit(SKIP)
    return guess


def library_name(bin_dir):
    """The puzzle library's file name, as the build gave it to the programs: the last part of
    where the tool says the library is."""
    where = subprocess.run([os.path.join(bin_dir, "zovudedoda-db"), "where"], capture_output=True,
                           text=True, timeout=20, check=True).stdout.strip()
    return os.path.basename(where)
