#!/usr/bin/python3
"""The hint panel and the hint's drawing on the real game, under Xvfb with real X input
(xdotool), read from the screen's pixels: on the light default, Adwaita dark and the
high-contrast inverse style, at scale factors 1.5 and 2, and on a 1024x768 screen. Run as:
e2e_hints.py BIN_DIR. Exits 77 (skipped) where no X server can be started here.

Before Ctrl+H the light default window is the reference picture, pixel for pixel. The panel
opens beside the window and leaves the keyboard on the board; the board is typed into while it
is open; Ctrl+H tells more until the board shows the hint's marks in the cell and the ninth the
hint names; Ctrl+H once more moves to the panel, where Return applies; Ctrl+Z takes it back.
On the light default, Adwaita dark and high contrast, one hint of each family (tests/e2e/families.txt)
is stepped through to the level that marks its result: the result's ninth is marked, and the
pattern is drawn beyond the result's cell. Pictures of each go to the build's e2e-pictures
folder."""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

import e2e_args
from e2e_pixels import Shot, cell_digit, cell_rect
from e2e_wait import answered, settled, until

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "reference", "light-default.png")
# The puzzle the reference shows, alone in a library of one.
REFERENCE_PUZZLE = os.path.join(HERE, "reference", "light-default.txt")
# The longest words a hint has had: the eleventh step of this puzzle (of an earlier default
# library), a chain of 31 forced digits.
LONGEST = "..3.2.8..2....9.1..791......6...7...7...1...2...9...8......815..9.5....4..7.3.6.."
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def run(*args, check_rc=True, timeout=20, env=None):
    r = subprocess.run(args, capture_output=True, text=True, timeout=timeout, env=env)
    if check_rc and r.returncode != 0:
        raise RuntimeError(f"{args[0]} failed: {r.stderr.strip()}")
    return r.stdout


def windows(name="^Zovudedoda$"):
    return run("xdotool", "search", "--onlyvisible", "--name", name, check_rc=False).split()


def geometry(wid):
    g = dict(l.split("=") for l in run("xdotool", "getwindowgeometry", "--shell", wid).split())
    return tuple(int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def plugin(path):
    return bool(glob.glob(f"/usr/lib/*/qt6/plugins/{path}"))


class Game:
    def __init__(self, bin_dir, work, line, scale=1, env=None):
        for f in ("zovudedoda", "zovudedoda-db"):
            shutil.copy2(os.path.join(bin_dir, f), work)
        with open(os.path.join(work, "one.txt"), "w") as f:
            f.write(line + "\n")
        self.work, self.scale = work, scale
        self.db = os.path.join(work, e2e_args.library_name(bin_dir))
        run(os.path.join(work, "zovudedoda-db"), "--db", self.db, "create", "--from",
            os.path.join(work, "one.txt"))
        full = dict(os.environ, QT_SCALE_FACTOR=str(scale), **(env or {}))
        self.proc = subprocess.Popen([os.path.join(work, "zovudedoda")], cwd=work, env=full,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.win = until(lambda: (windows() or [None])[-1])
        if not self.win:
            raise RuntimeError("the game's window never came")
        self.x, self.y, self.w, self.h = geometry(self.win)
        self.menu = self.h - round(360 * scale)

    def shot(self):
        return Shot.of_x_window(self.win)

    def settle(self):
        if not answered(self.win):
            raise RuntimeError("the game stopped answering")
        return settled(self.shot, still=2)

    def key(self, *keys):
        run("xdotool", "key", "--delay", "30", *keys)

    def client(self, x, y):
        """A point of the client area (96-dpi pixels) in the window's own pixels."""
        return round(x * self.scale), round(self.menu + y * self.scale)

    def click_cell(self, i):
        l, t, w, h = cell_rect(i)
        x, y = self.client(l + w - 6, t + h / 2)
        run("xdotool", "mousemove", str(self.x + x), str(self.y + y), "click", "1")

    def ninth(self, i, digit):
        """The ninth of cell i's inside where a note of `digit` stands, in window pixels."""
        l, t, w, h = cell_rect(i)
        k = digit - 1
        x0, y0 = self.client(l + 2 + (w - 4) * (k % 3) / 3, t + 2 + (h - 4) * (k // 3) / 3)
        x1, y1 = self.client(l + 2 + (w - 4) * (k % 3 + 1) / 3, t + 2 + (h - 4) * (k // 3 + 1) / 3)
        return x0, y0, x1, y1

    def panel(self):
        others = [w for w in windows() if w != self.win]
        return others[-1] if others else None

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()


def changed(a, b, box):
    x0, y0, x1, y1 = box
    return sum(1 for y in range(y0, y1) for x in range(x0, x1) if a.at(x, y) != b.at(x, y))


def cell_of(row, col):
    """The board's cell index (1 at the bottom left) of row `row` (1 the top), column `col`."""
    return (9 - row) * 9 + col


def first_step(game):
    """The first step of the tool's worked solution: the cell it names, its digit and sign."""
    out = run(os.path.join(game.work, "zovudedoda-db"), "--db", game.db, "explain", "1")
    m = re.search(r"\[r(\d)c(\d)([=-])(\d)", out)
    return cell_of(int(m.group(1)), int(m.group(2))), int(m.group(4)), m.group(3)


def solution(game):
    out = run(os.path.join(game.work, "zovudedoda-db"), "--db", game.db, "solve", "1")
    rows = [l.replace(" ", "").replace("|", "") for l in out.splitlines()]
    rows = [l for l in rows if len(l) == 9 and l.isdigit()]
    return {cell_of(r + 1, c + 1): int(rows[r][c]) for r in range(9) for c in range(9)}


def sees(a, b):
    ra, ca, rb, cb = (a - 1) // 9, (a - 1) % 9, (b - 1) // 9, (b - 1) % 9
    return ra == rb or ca == cb or (ra // 3 == rb // 3 and ca // 3 == cb // 3)


def scenario(bin_dir, work, text, name, scale, env, pictures, typing):
    at = f" ({name})"
    game = Game(bin_dir, work, text, scale, env)
    try:
        cell, digit, sign = first_step(game)
        empty = [i for i in range(1, 82)
                 if text[(9 - (i - 1) // 9 - 1) * 9 + (i - 1) % 9] in ".0"]
        if name == "light":
            # Polled: the first frames may not be painted yet, and the cursor blinks.
            first = os.path.join(work, "first.png")

            def differing():
                run("import", "-silent", "-window", game.win, first)
                r = subprocess.run(["compare", "-metric", "AE", REFERENCE, first, "null:"],
                                   capture_output=True, text=True)
                return r.stderr.strip()
            last = until(lambda: differing() == "0" or None) and "0"
            last = last or differing()
            check(last == "0", f"before Ctrl+H the light default window is the reference "
                               f"picture, pixel for pixel ({last} pixels differ)")
        run("xdotool", "windowfocus", "--sync", game.win)
        # Off the hint's cell and its units: a key there must not disturb the hint.
        far = next(i for i in empty if not sees(i, cell))
        game.click_cell(far)
        before = game.settle()

        game.key("ctrl+h")
        panel = until(game.panel)
        check(bool(panel), f"Ctrl+H opens the hint panel{at}")
        if not panel:
            return
        px, py, pw, ph = geometry(panel)
        screen = tuple(int(v) for v in run("xdotool", "getdisplaygeometry").split())
        inside = px >= 0 and py >= 0 and px + pw <= screen[0] and py + ph <= screen[1]
        beside = px >= game.x + game.w or px + pw <= game.x or py >= game.y + game.h \
            or py + ph <= game.y
        print(f"  panel {pw}x{ph} at {px},{py}; window {game.w}x{game.h} at {game.x},{game.y}; "
              f"screen {screen[0]}x{screen[1]}{at}")
        check(inside, f"the panel is on the screen{at}")
        if screen[0] >= 1024 and scale == 1:
            check(beside, f"the panel stands beside the window, not over it{at}")

        if typing:
            # The keyboard stayed on the board: a digit typed now lands in the cell.
            sol = solution(game)
            game.key(str(sol[far]))
            check(until(lambda: cell_digit(game.shot(), 0, game.menu, scale, far) == sol[far]),
                  f"typed into cell {far} while the panel is open{at}")
            check(game.panel() == panel, f"the panel stays open while the board is played{at}")

        # More, by Ctrl+H on the board, until the hint's ninth is marked.
        box = game.ninth(cell, digit)
        area = (box[2] - box[0]) * (box[3] - box[1])
        marked = False
        for _ in range(4):
            game.key("ctrl+h")
            shot = game.settle()
            if changed(before, shot, box) >= area // 4:
                marked = True
                break
        check(marked, f"the hint's {'placed' if sign == '=' else 'removed'} {digit} is marked "
                      f"in its ninth of cell {cell}{at}")
        l, t, w, h = cell_rect(cell)
        frame = (*game.client(l, t), *game.client(l + w, t + h))
        ring = changed(before, shot, frame) - changed(before, shot, box)
        check(ring > 0, f"the hint's cell is framed{at}")
        picture = os.path.join(pictures, f"hint-{name}.png")
        run("import", "-window", "root", picture)
        print(f"  picture: {picture}")

        # Once more: the keyboard goes to the panel, where Return applies; the cell shows the
        # digit. Ctrl+Z on the board takes it back.
        if sign == "=":
            # Ctrl+H to the last level, past which the keyboard moves to the panel.
            for _ in range(30):
                game.key("ctrl+h")
                if until(lambda: focused() == panel or None, 2):
                    break
            game.key("Return")
            placed = until(lambda: changed(before, game.shot(), frame) > area)
            check(bool(placed), f"Return in the panel applies the hint{at}")
            if name == "light":
                check(until(lambda: cell_digit(game.shot(), 0, game.menu, scale, cell) == digit),
                      f"the hint's {digit} stands in cell {cell}{at}")
            run("xdotool", "windowfocus", "--sync", game.win)
            game.key("ctrl+z")
            check(until(lambda: cell_digit(game.shot(), 0, game.menu, scale, cell) == 0),
                  f"Ctrl+Z takes the hint's digit back{at}")
        run("xdotool", "windowfocus", "--sync", game.win)
        game.key("Escape")
        check(until(lambda: game.panel() is None), f"Escape on the board closes the panel{at}")
    finally:
        game.close()


def first_technique(game):
    out = run(os.path.join(game.work, "zovudedoda-db"), "--db", game.db, "explain", "1")
    m = re.search(r"^\s+1\. ([^:]+):", out, re.M)
    return m.group(1) if m else None


def scenario_family(bin_dir, work, board, technique, name, env, pictures):
    """The first hint on `board`, of `technique`'s family: its result's ninth marked, and its
    pattern drawn elsewhere on the board too."""
    at = f" ({technique}, {name})"
    game = Game(bin_dir, work, board, 1, env)
    try:
        check(first_technique(game) == technique, f"the board's easiest step is a {technique}")
        cell, digit, sign = first_step(game)
        run("xdotool", "windowfocus", "--sync", game.win)
        empty = [i for i in range(1, 82)
                 if board[(9 - (i - 1) // 9 - 1) * 9 + (i - 1) % 9] in ".0"]
        game.click_cell(next((i for i in empty if i != cell), cell))
        before = game.settle()
        box = game.ninth(cell, digit)
        area = (box[2] - box[0]) * (box[3] - box[1])
        l, t, w, h = cell_rect(cell)
        frame = (*game.client(l, t), *game.client(l + w, t + h))
        whole = (0, game.menu, game.w, game.h)
        marked, shot = False, before
        for _ in range(5):
            game.key("ctrl+h")
            until(game.panel)
            shot = game.settle()
            if changed(before, shot, box) >= area // 4:
                marked = True
                break
        check(marked, f"the {'placed' if sign == '=' else 'removed'} {digit} is marked in its "
                      f"ninth of cell {cell}{at}")
        def beyond():
            return changed(before, shot, whole) - changed(before, shot, frame)
        # A chain of forced digits shows them a level at a time, after its assumption.
        for _ in range(10):
            if beyond() > 100 or focused() != game.win:
                break
            game.key("ctrl+h")
            shot = game.settle()
        drawn = beyond()
        check(drawn > 100, f"the pattern is drawn beyond the result's cell ({drawn} pixels){at}")
        slug = re.sub(r"[^a-z]+", "-", technique.lower()).strip("-")
        run("import", "-window", game.win, os.path.join(pictures, f"family-{name}-{slug}.png"))
        game.key("Escape")
        check(until(lambda: game.panel() is None), f"Escape closes the panel{at}")
    finally:
        game.close()


def families():
    source = os.path.join(HERE, "families.txt")
    return [(l.split()[0], l.split(None, 3)[3].strip()) for l in open(source)
            if l.strip() and not l.startswith("#")]


def focused():
    return run("xdotool", "getwindowfocus", check_rc=False).strip()


def scenario_longest(bin_dir, work, text, pictures):
    """The longest puzzle's eleventh step, the longest words a hint has had (a chain of forced
    digits): the hints before it applied from the keyboard, it stays on a 1024x768 screen
    with its buttons in sight, its text scrolling."""
    game = Game(bin_dir, work, text)
    try:
        run("xdotool", "windowfocus", "--sync", game.win)
        empty = [i for i in range(1, 82)
                 if text[(9 - (i - 1) // 9 - 1) * 9 + (i - 1) % 9] in ".0"]
        game.click_cell(empty[0])

        def last_level():
            """Ctrl+H until the keyboard moves to the panel: its last level."""
            for _ in range(30):
                game.key("ctrl+h")
                panel = until(game.panel)
                if until(lambda: focused() == panel or None, 2):
                    return panel
            return None

        for step in range(10):
            panel = last_level()
            if not panel:
                check(False, f"hint {step + 1} of the longest puzzle reaches its last level")
                return
            game.key("Return")
            until(lambda: focused() == game.win or None, 5)
            run("xdotool", "windowfocus", "--sync", game.win)
        panel = last_level()
        check(bool(panel), "the eleventh hint of the longest puzzle reaches its last level")
        if not panel:
            return
        game.settle()
        px, py, pw, ph = geometry(panel)
        sw, sh = (int(v) for v in run("xdotool", "getdisplaygeometry").split())
        print(f"  the longest hint: panel {pw}x{ph} at {px},{py} on {sw}x{sh}")
        check(px >= 0 and py >= 0 and px + pw <= sw and py + ph <= sh,
              "the longest hint's panel is on the 1024x768 screen")
        check(ph > 300, f"the longest hint takes the screen's height ({ph})")
        shot = Shot.of_x_window(panel)
        # The buttons along the bottom: ink there, on the panel's back.
        back = shot.at(2, shot.h - 2)
        inked = sum(1 for y in range(shot.h - 40, shot.h) for x in range(shot.w)
                    if shot.at(x, y) != back)
        check(inked > 200, f"the buttons show at the panel's bottom ({inked} pixels)")
        picture = os.path.join(pictures, "hint-longest-1024x768.png")
        run("import", "-window", "root", picture)
        print(f"  picture: {picture}")
    finally:
        game.close()


# name, scale, environment, what it needs, whether the board is typed into.
CASES = [
    ("light", 1, {}, None, True),
    ("adwaita-dark", 1, {"QT_QPA_PLATFORMTHEME": "gtk3", "GTK_THEME": "Adwaita:dark"},
     "platformthemes/libqgtk3.so", False),
    ("high-contrast-inverse", 1, {"QT_STYLE_OVERRIDE": "Adwaita-HighContrastInverse"},
     "styles/adwaita.so", False),
    ("scale-1.5", 1.5, {}, None, False),
    ("scale-2", 2, {}, None, False),
]


def main():
    if not shutil.which("Xvfb") or not shutil.which("xdotool") or not shutil.which("import"):
        print("SKIP: Xvfb, xdotool and ImageMagick are needed")
        return 77
    bin_dir = e2e_args.bin_dir()
    text = open(REFERENCE_PUZZLE).read().split()[0]
    pictures = os.path.join(os.path.dirname(bin_dir), "e2e-pictures")
    os.makedirs(pictures, exist_ok=True)
    env_keep = dict(os.environ)
    for k in ("QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE"):
        os.environ.pop(k, None)
    try:
        for size, cases in (("1280x1024", CASES), ("1024x768", [("light-1024x768", 1, {}, None,
                                                                  False)])):
            xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", size + "x24",
                                     "-nolisten", "tcp"], stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL)
            display = xvfb.stdout.readline().decode().strip()
            if not display:
                print("SKIP: Xvfb did not start")
                return 77
            os.environ["DISPLAY"] = ":" + display
            try:
                if size == "1024x768":
                    work = tempfile.mkdtemp(prefix="zovudedoda-hints-")
                    try:
                        scenario_longest(bin_dir, work, LONGEST, pictures)
                    finally:
                        shutil.rmtree(work, ignore_errors=True)
                for name, scale, env, needs, typing in cases:
                    if needs and not plugin(needs):
                        print(f"skip: {name}: Qt's {needs} is not installed")
                        continue
                    work = tempfile.mkdtemp(prefix="zovudedoda-hints-")
                    try:
                        scenario(bin_dir, work, text, name, scale, env, pictures, typing)
                    finally:
                        shutil.rmtree(work, ignore_errors=True)
                    if scale != 1 or size != "1280x1024":
                        continue
                    for board, technique in families():
                        work = tempfile.mkdtemp(prefix="zovudedoda-hints-")
                        try:
                            scenario_family(bin_dir, work, board, technique, name, env, pictures)
                        finally:
                            shutil.rmtree(work, ignore_errors=True)
            finally:
                xvfb.terminate()
                xvfb.wait()
    finally:
        os.environ.clear()
        os.environ.update(env_keep)
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
