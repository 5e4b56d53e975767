#!/usr/bin/python3
"""Plays a short game as a blind player does, with the Orca screen reader, and checks what Orca
says at each step: the cells as the arrows reach them, each change confirmed, the hint level by
level, the buttons and dialogs. Usage: e2e_screenreader.py BIN_DIR. Skips (77) with the reason
where Orca cannot run (screenreader.py says what it needs). Prints the game's transcript."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import e2e_args  # noqa: E402
from screenreader import ScreenReader, Unavailable  # noqa: E402

failures = []
transcript = []
PUZZLE = 12


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def step(sr, what, keys, *patterns, forbid=None, timeout=10):
    """Presses `keys`, waits until every pattern was said, and records what was."""
    sr.press(*keys)
    said = sr.wait_for(*patterns, timeout=timeout)
    if said is None:
        said = " | ".join(sr.spoken_since_mark())
        check(False, f"{what}: expected {patterns}, heard {said!r}")
    else:
        ok = not (forbid and re.search(forbid, said))
        check(ok, f"{what}: {said!r}" + ("" if ok else f" (must not say {forbid!r})"))
    transcript.append((what, " ".join(keys), said))
    return said


def puzzle_text(work, library):
    return subprocess.run([os.path.join(work, "zovudedoda-db"), "--db",
                           os.path.join(work, library), "export", str(PUZZLE)],
                          capture_output=True, text=True, timeout=20,
                          check=True).stdout.split()[0]


def play(sr, work, grid):
    def at(row, column):  # rows counted from the top, as players count them
        return grid[(row - 1) * 9 + column - 1]
    givens = sum(c.isdigit() and c != "0" for c in grid)
    sr.wait_for(r"Row 9, column 1, box 7", timeout=30)
    sr.mark = 0
    transcript.append(("start", "", " | ".join(sr.spoken_since_mark())))

    # Random off, then New and puzzle 12, by keys alone.
    step(sr, "back to Random", ["shift+Tab", "shift+Tab"], r"Random check box")
    step(sr, "Random unticked", ["space"], r"not checked")
    step(sr, "on to New", ["Tab", "Tab", "Tab"], r"New push button")
    step(sr, "New asks for a number", ["space"], r"Select Game No\.")
    sr.type_text(str(PUZZLE))
    step(sr, "New, puzzle 12", ["Return"],
         rf"Puzzle {PUZZLE} loaded, {givens} given\. Row 9, column 1, box 7, {at(9, 1)}, given")

    # Arrows over a given, an empty and a typed cell.
    assert at(9, 1) != "." and at(9, 2) == "." and at(8, 2) == ".", "puzzle 12 as expected"
    step(sr, "onto an empty cell", ["Right"], r"Row 9, column 2, box 7 text\. \| empty")
    step(sr, "a digit typed", ["4"], r"4 placed")
    step(sr, "onto a given cell", ["Left"], rf"Row 9, column 1, box 7 text\. \| {at(9, 1)}\. \| given")
    step(sr, "typing on a given cell", ["7"], r"given, cannot change")
    step(sr, "onto the typed cell", ["Right"], r"Row 9, column 2, box 7 text\. \| 4\.",
         forbid=r"empty")
    step(sr, "Delete", ["Delete"], r"4 removed")
    step(sr, "a note", ["ctrl+3"], r"note 3 added, notes 3")
    step(sr, "notes filled", ["ctrl+shift+n"], r"notes filled in \d+ cells")
    step(sr, "onto an empty cell with notes", ["Up"],
         r"Row 8, column 2, box 7 text\. \| empty, notes [1-9]( [1-9])*")
    step(sr, "a mark by the Menu key", ["Menu"], r"\bmarked")
    step(sr, "away", ["Down"], r"Row 9, column 2, box 7 text\. \| empty, notes")
    step(sr, "and back", ["Up"], r"Row 8, column 2, box 7 text\. \| empty, marked")
    step(sr, "undo", ["ctrl+z"], r"Undone: row 8, column 2 mark taken away")
    step(sr, "redo", ["ctrl+shift+z"], r"Redone: row 8, column 2 marked")
    row8 = ", ".join(at(8, c) if at(8, c) != "." else "blank" for c in range(1, 10))
    step(sr, "the row read out", ["ctrl+shift+r"], re.escape(f"Row 8: {row8}"))
    step(sr, "the digits to place", ["ctrl+shift+d"], r"To place: 1 [a-z]+ times?")

    # The keys window, and the focus back on the cell after it.
    step(sr, "the keys window", ["F1"], r"Ctrl\+Shift\+R, Ctrl\+Shift\+C or Ctrl\+Shift\+B")
    step(sr, "the keys window closed", ["Return"], r"Row 8, column 2, box 7 text\.")

    # The hint, level by level, then Apply.
    first = step(sr, "a hint", ["ctrl+h"], r"dialog .+\.", r"More push button")
    levels = 1
    for _ in range(6):
        sr.press("Return")
        said = sr.wait_for(r"Hint applied: |[a-z]+[.?]", timeout=10) or ""
        sentences = [s for s in sr.quiet() if not s.endswith("push button.")]
        said = " | ".join(sr.spoken_since_mark())
        transcript.append(("More" if "Hint applied" not in said else "Apply", "Return", said))
        if "Hint applied: " in said:
            break
        check(bool(sentences) and all(s not in first for s in sentences),
              f"the hint's next level is said: {sentences!r}")
        levels += 1
    check("Hint applied: " in said, f"Apply says the step taken: {said!r}")
    check(levels >= 2, f"the hint was read over {levels} levels")

    # Done, by keys: to cell 1, then Tab to Done.
    sr.press(*(["Down"] * 8 + ["Left"] * 8))
    sr.wait_for(r"Row 9, column 1, box 7", timeout=20)
    sr.quiet()
    step(sr, "on to Done", ["Tab", "Tab", "Tab"], r"Done push button")
    step(sr, "Done", ["space"], r"Sorry")
    step(sr, "the verdict closed", ["Return"], r"Row 9, column 1, box 7")
    step(sr, "on to Clear", ["Tab", "Tab"], r"Clear push button")
    step(sr, "Clear", ["space"], rf"board cleared, {givens} given\. Row 9, column 1, box 7")

    # About: its words, its links by Tab, and the focus back on the cell.
    step(sr, "About", ["alt+a"], r"Zovudedoda Sudoku 1\.0.*Made in Thailand")
    step(sr, "the first link", ["Tab"], r"E-mail zovudedoda@example\.org link")
    step(sr, "the second link", ["Tab"], r"Web page www\.example\.org/zovudedoda link")
    step(sr, "About closed", ["Escape"], r"Row 9, column 1, box 7")


def main():
    bin_dir = e2e_args.bin_dir()
    work = tempfile.mkdtemp(prefix="zovudedoda-orca-")
    library = e2e_args.library_name(bin_dir)
    for f in ("zovudedoda", "zovudedoda-db", library):
        shutil.copy2(os.path.join(bin_dir, f), work)
    grid = puzzle_text(work, library)
    try:
        with ScreenReader(os.path.join(work, "sr")) as sr:
            sr.start_program([os.path.join(work, "zovudedoda")], cwd=work)
            play(sr, work, grid)
    except Unavailable as e:
        print(f"SKIP: the screen reader cannot run here: {e}")
        return e2e_args.SKIP
    finally:
        print("\nWhat Orca said, step by step:")
        for what, keys, said in transcript:
            print(f"  {what} [{keys}]: {said}")
        if failures:
            print(f"(Orca's log and the transcript are in {work}/sr)")
        else:
            shutil.rmtree(work, ignore_errors=True)
    print(f"{0 if failures else 1} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
