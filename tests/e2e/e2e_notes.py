#!/usr/bin/python3
"""Notes, undo, the keys window, hints and the play aids on the real game, under Xvfb with real X input
(xdotool), read from the screen's pixels. Run as: e2e_notes.py BIN_DIR. Exits 77 (skipped)
where no X server can be started here.

The light default window, before any of the new keys is pressed, is compared pixel for pixel
with a picture of the window taken before notes, undo and hints existed (reference/)."""

import os
import shutil
import subprocess
import sys
import tempfile

import e2e_args
from e2e_pixels import Shot, cell_digit, cell_rect, luminance, nearest_digit
from e2e_wait import until

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "reference", "light-default.png")
# The puzzle the reference shows, alone in a library of one.
REFERENCE_PUZZLE = os.path.join(HERE, "reference", "light-default.txt")
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def run(*args, check_rc=True, timeout=20):
    r = subprocess.run(args, capture_output=True, text=True, timeout=timeout)
    if check_rc and r.returncode != 0:
        raise RuntimeError(f"{args[0]} failed: {r.stderr.strip()}")
    return r.stdout


def windows(name):
    return run("xdotool", "search", "--onlyvisible", "--name", name, check_rc=False).split()


def puzzle_text():
    return open(REFERENCE_PUZZLE).read().split()[0]


class Game:
    def __init__(self, bin_dir, work, line):
        for f in ("zovudedoda", "zovudedoda-db"):
            shutil.copy2(os.path.join(bin_dir, f), work)
        with open(os.path.join(work, "one.txt"), "w") as f:
            f.write(line + "\n")
        self.work = work
        self.db = db = os.path.join(work, e2e_args.library_name(bin_dir))
        run(os.path.join(work, "zovudedoda-db"), "--db", db, "create", "--from",
            os.path.join(work, "one.txt"))
        self.proc = subprocess.Popen([os.path.join(work, "zovudedoda")], cwd=work,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.win = until(lambda: (windows("^Zovudedoda$") or [None])[-1])
        if not self.win:
            raise RuntimeError("the game's window never came")
        g = dict(l.split("=") for l in run("xdotool", "getwindowgeometry", "--shell",
                                           self.win).split())
        self.x, self.y, self.w, self.h = (int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        self.menu = self.h - 360

    def shot(self):
        return Shot.of_x_window(self.win)

    def key(self, *keys):
        run("xdotool", "key", "--delay", "30", *keys)

    def click_cell(self, i, button=1):
        l, t, w, h = cell_rect(i)
        run("xdotool", "mousemove", str(self.x + l + w - 6), str(self.y + self.menu + t + h // 2),
            "click", str(button))

    def ninth(self, i, digit):
        """The ninth of cell i's inside where a note of `digit` stands, in window pixels."""
        l, t, w, h = cell_rect(i)
        left, top, inner_w, inner_h = l + 2, self.menu + t + 2, w - 4, h - 4
        k = digit - 1
        x0, x1 = left + inner_w * (k % 3) // 3, left + inner_w * (k % 3 + 1) // 3
        y0, y1 = top + inner_h * (k // 3) // 3, top + inner_h * (k // 3 + 1) // 3
        return x0, y0, x1, y1

    def note_shown(self, shot, i, digit):
        """How many pixels of the ninth show that digit's colour (smoothed edges allowed)."""
        x0, y0, x1, y1 = self.ninth(i, digit)
        return sum(1 for y in range(y0, y1) for x in range(x0, x1)
                   if nearest_digit(shot.at(x, y), 60) == digit)

    def notes(self, i, shot=None):
        shot = shot or self.shot()
        return {d for d in range(1, 10) if self.note_shown(shot, i, d) >= 3}

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()


def scenario(game, text):
    # Before any new key: the window is the one the game always drew (polled: the first frames
    # may not be painted yet).
    first = os.path.join(tempfile.gettempdir(), f"zovudedoda-notes-{os.getpid()}.png")

    def differing():
        run("import", "-silent", "-window", game.win, first)
        r = subprocess.run(["compare", "-metric", "AE", REFERENCE, first, "null:"],
                           capture_output=True, text=True)
        return r.stderr.strip()

    last = until(lambda: differing() == "0" or None) and "0"
    last = last or differing()
    check(last == "0", f"the light default window is the reference picture, pixel for pixel "
                       f"({last} pixels differ)")
    os.unlink(first)

    # Cells 1 to 81 from the bottom left; the text runs from the top left.
    empty = [i for i in range(1, 82) if text[(9 - (i - 1) // 9 - 1) * 9 + (i - 1) % 9] in ".0"]
    cell, other = empty[0], empty[1]
    run("xdotool", "windowfocus", "--sync", game.win)
    game.click_cell(other)
    game.key("ctrl+1", "ctrl+3", "ctrl+9")
    check(until(lambda: game.notes(other) == {1, 3, 9}),
          "Ctrl+1, Ctrl+3 and Ctrl+9 show notes 1, 3 and 9 in their ninths and colours")
    game.click_cell(cell)
    game.key("ctrl+7")
    check(until(lambda: game.notes(cell) == {7}), "Ctrl+7 notes a 7 in another cell")
    game.key("ctrl+z")
    check(until(lambda: game.notes(cell) == set()), "Ctrl+Z takes the note back")
    check(game.notes(other) == {1, 3, 9}, "and only that note")
    game.key("ctrl+shift+z")
    check(until(lambda: game.notes(cell) == {7}), "Ctrl+Shift+Z puts it back")
    game.key("ctrl+z")
    until(lambda: game.notes(cell) == set())
    game.key("ctrl+y")
    check(until(lambda: game.notes(cell) == {7}), "Ctrl+Y redoes as well")

    # The keys window opens on F1 and closes on Return.
    game.key("F1")
    box = until(lambda: [w for w in windows("^Zovudedoda$") if w != game.win])
    check(bool(box), "F1 opens the keys window, titled with the window's caption")
    if box:
        run("xdotool", "windowfocus", "--sync", box[-1])
        run("xdotool", "key", "Return")
        check(until(lambda: windows("^Zovudedoda$") == [game.win]), "Return closes it")

    # A hint: Ctrl+H, More, More, Apply places a digit; Ctrl+Z takes it back. The notes typed
    # above go first, so that the hint starts from the puzzle as loaded.
    run("xdotool", "windowfocus", "--sync", game.win)
    game.click_cell(cell)
    game.key("ctrl+z", "ctrl+z", "ctrl+z", "ctrl+z")
    until(lambda: not game.notes(cell) and not game.notes(other))

    def digits():
        shot = game.shot()
        return {i: cell_digit(shot, 0, game.menu, 1, i) for i in empty}

    before = digits()
    game.key("ctrl+h")
    box = until(lambda: [w for w in windows("^Zovudedoda$") if w != game.win])
    check(bool(box), "Ctrl+H opens the hint panel")
    if box:
        run("xdotool", "windowfocus", "--sync", box[-1])
        # More at each level until the last, whose default button is Apply.
        placed = {}
        for _ in range(8):
            game.key("Return")
            placed = until(lambda: {i: d for i, d in digits().items() if d and not before[i]},
                           timeout=1.0)
            if placed:
                break
        check(len(windows("^Zovudedoda$")) == 2,
              "Apply leaves the hint panel open beside the window")
        solution = run(os.path.join(game.work, "zovudedoda-db"), "--db", game.db, "solve", "1")
        rows = [l.replace(" ", "").replace("|", "") for l in solution.splitlines()]
        rows = [l for l in rows if len(l) == 9 and l.isdigit()]
        right = bool(placed) and len(rows) == 9 and all(
            int(rows[9 - (i - 1) // 9 - 1][(i - 1) % 9]) == d for i, d in placed.items())
        check(len(placed or {}) == 1 and right,
              f"Apply places one digit, the solution's, on the screen ({placed})")
        run("xdotool", "windowfocus", "--sync", game.win)
        game.key("ctrl+z")
        check(until(lambda: not {i for i, d in digits().items() if d and not before[i]}),
              "Ctrl+Z takes the hint's digit back")
        game.key("Escape")
        check(until(lambda: windows("^Zovudedoda$") == [game.win]), "Escape closes the panel")


def grey_change(before, after, game, i):
    """How many pixels inside cell i differ by more than 40 in grey between two shots."""
    l, t, w, h = cell_rect(i)
    return sum(1 for y in range(game.menu + t + 1, game.menu + t + h - 1)
               for x in range(l + 1, l + w - 1)
               if abs(luminance(before.at(x, y)) - luminance(after.at(x, y))) > 40)


def aids(game, text):
    """Mistake warnings, seen without colour; the pause hides every digit; the clock's title."""
    def at(i):
        return text[(9 - (i - 1) // 9 - 1) * 9 + (i - 1) % 9]

    run("xdotool", "windowfocus", "--sync", game.win)
    cell = next(i for i in range(1, 82) if at(i) in ".0"
                and any(at(g) not in ".0" for g in range(1, 82) if (g - 1) // 9 == (i - 1) // 9))
    given = next(g for g in range(1, 82) if (g - 1) // 9 == (cell - 1) // 9 and at(g) not in ".0")
    game.click_cell(cell)
    game.key(at(given))
    typed = until(lambda: cell_digit(game.shot(), 0, game.menu, 1, cell) == int(at(given))
                  and game.shot())
    check(bool(typed), f"a {at(given)} is typed beside the given {at(given)} of its row")
    game.key("ctrl+m")
    warned = until(lambda: (lambda s: grey_change(typed, s, game, cell) > 20 and s)(game.shot()))
    check(bool(warned), "Ctrl+M frames and strikes the repeated digit, seen in grey")
    if warned:
        check(grey_change(typed, warned, game, given) > 20, "and the given it repeats")
    game.key("BackSpace")
    check(until(lambda: grey_change(typed, game.shot(), game, given) == 0),
          "taking the digit away takes the warning off the given")
    game.key("ctrl+m")

    digits_shown = {i for i in range(1, 82) if at(i) not in ".0"}
    game.key("Pause")
    check(until(lambda: all(cell_digit(game.shot(), 0, game.menu, 1, i) == 0
                            for i in digits_shown)), "Pause hides every digit of the board")
    game.key("Return")
    check(until(lambda: all(cell_digit(game.shot(), 0, game.menu, 1, i) == int(at(i))
                            for i in digits_shown)), "Return shows them again")
    game.key("ctrl+t")
    check(bool(until(lambda: run("xdotool", "getwindowname", game.win).strip()
                     .startswith("Zovudedoda \u2014 0:"))),
          "Ctrl+T shows the time in the title")


def main():
    if not shutil.which("Xvfb") or not shutil.which("xdotool") or not shutil.which("import"):
        print("SKIP: Xvfb, xdotool and ImageMagick are needed")
        return 77
    bin_dir = e2e_args.bin_dir()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    display = xvfb.stdout.readline().decode().strip()
    if not display:
        print("SKIP: Xvfb did not start")
        return 77
    env_keep = dict(os.environ)
    os.environ["DISPLAY"] = ":" + display
    for k in ("QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE"):
        os.environ.pop(k, None)
    work = tempfile.mkdtemp(prefix="zovudedoda-notes-")
    game = None
    try:
        text = puzzle_text()
        game = Game(bin_dir, work, text)
        scenario(game, text)
        aids(game, text)
    finally:
        if game:
            game.close()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)
        os.environ.clear()
        os.environ.update(env_keep)
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
