#!/usr/bin/python3
"""Drives the real game under Xvfb with real X input (xdotool), reading its screen from
screenshots and its library with the sqlite3 client. Usage: e2e_game.py BIN_DIR"""

import glob
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time
import e2e_args  # noqa: E402
from e2e_pixels import DIGIT_RGB, TWIPS, cell_rect  # noqa: E402
from e2e_wait import answered, settled, until  # noqa: E402

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def run(*args, timeout=20, check_rc=True):
    r = subprocess.run(args, capture_output=True, text=True, timeout=timeout)
    if check_rc and r.returncode != 0:
        raise RuntimeError(f"{args}: {r.stderr.strip()}")
    return r.stdout


class Screen:
    def __init__(self):
        data = subprocess.run(["import", "-silent", "-window", "root", "-depth", "8", "ppm:-"],
                              capture_output=True, timeout=20).stdout
        parts = data.split(maxsplit=4)
        self.w, self.h = int(parts[1]), int(parts[2])
        self.pix = parts[4]

    def __eq__(self, other):
        return self.pix == other.pix

    def at(self, x, y):
        k = (y * self.w + x) * 3
        return tuple(self.pix[k:k + 3])

    def count(self, x0, y0, w, h, rgb):
        return sum(1 for y in range(y0, y0 + h) for x in range(x0, x0 + w) if self.at(x, y) == rgb)


class Game:
    def __init__(self, bin_dir, work, scale=1):
        library = e2e_args.library_name(bin_dir)
        for f in ("zovudedoda", "zovudedoda-db", library):
            shutil.copy2(os.path.join(bin_dir, f), work)
        self.db = os.path.join(work, library)
        self.work = work
        self.scale = scale
        env = dict(os.environ, QT_SCALE_FACTOR=str(scale))
        self.proc = subprocess.Popen([os.path.join(work, "zovudedoda")], cwd=work, env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.win = self.wait_window("^Zovudedoda$")
        geo = run("xdotool", "getwindowgeometry", "--shell", self.win)
        g = dict(line.split("=") for line in geo.split())
        self.x, self.y, self.w, self.h = (int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        self.menu = self.h - 360 * scale
        until(lambda: self.cell_back(Screen(), 1) != (0, 0, 0))  # mapped, not yet painted

    def wait_window(self, name, present=True, timeout=10):
        end = time.time() + timeout
        while time.time() < end:
            out = run("xdotool", "search", "--onlyvisible", "--name", name, check_rc=False)
            ids = out.split()
            if present and ids:
                return ids[-1]
            if not present and not ids:
                return None
            time.sleep(0.1)
        raise RuntimeError(f"window {name} {'never came' if present else 'never went'}")

    def focus(self, wid):
        # No window manager here: put the pointer on the box and give it the keyboard, as a
        # player's click would.
        geo = dict(l.split("=") for l in run("xdotool", "getwindowgeometry", "--shell", wid).split())
        run("xdotool", "mousemove", str(int(geo["X"]) + int(geo["WIDTH"]) // 2),
            str(int(geo["Y"]) + 3))
        run("xdotool", "windowfocus", "--sync", wid)

    def dialog(self):
        """The box or dialog open over the main window, focused."""
        end = time.time() + 10
        while time.time() < end:
            wins = [w for w in self.visible("^[Zz]ovudedoda$") if w != self.win]
            if wins:
                self.focus(wins[-1])
                return wins[-1]
            time.sleep(0.1)
        raise RuntimeError("no dialog came")

    def wait_closed(self):
        end = time.time() + 10
        while time.time() < end:
            if self.visible("^zovudedoda$") == [self.win]:
                return
            time.sleep(0.1)
        raise RuntimeError("the dialog did not close")

    def visible(self, name):
        return run("xdotool", "search", "--onlyvisible", "--name", name, check_rc=False).split()

    def client(self, x, y):
        return self.x + x * self.scale, self.y + self.menu + y * self.scale

    # Input is sent and not waited for: it reaches the game in order. What it should show is
    # waited for with `until`, and what it should leave alone is read from `settle`.
    def click(self, x, y, button=1):
        ax, ay = self.client(x, y)
        run("xdotool", "mousemove", str(ax), str(ay), "click", str(button))

    def click_cell(self, i, button=1):
        l, t, w, h = cell_rect(i)
        self.click(l + w - 6, t + h // 2, button)

    def key(self, *keys):
        run("xdotool", "key", "--delay", "30", *keys)

    def type(self, text):
        run("xdotool", "type", "--delay", "30", text)

    def settle(self):
        """The screen once the game has handled all input sent so far and drawn it."""
        if not answered(self.win):
            raise RuntimeError("the game stopped answering")
        return settled(Screen, still=2)

    def cell_back(self, screen, i):
        l, t, w, h = cell_rect(i)
        ax, ay = self.client(l + 4, t + h // 2)
        return screen.at(ax, ay)

    def cell_digit(self, screen, i):
        """The digit whose colour the cell's glyph shows, or 0 for none."""
        l, t, w, h = cell_rect(i)
        ax, ay = self.client(l + 6, t + 3)
        best, count = 0, 0
        for d, rgb in DIGIT_RGB.items():
            n = screen.count(ax, ay, (w - 12) * self.scale, (h - 6) * self.scale, rgb)
            if n > count:
                best, count = d, n
        return best if count >= 8 else 0

    def sql(self, query):
        return run("sqlite3", self.db, query).split()

    def button(self, name):
        return {"random": (376 + 6, 32 + 8), "new": (376 + 36, 56 + 20),
                "clear": (376 + 36, 112 + 20), "done": (376 + 36, 168 + 20),
                "addmode": (368 + 6, 248 + 8), "save": (376 + 36, 280 + 20)}[name]


def red_pixels(box):
    """How many strongly red pixels a box shows: the critical icon has many, a plain box none."""
    s = Screen()
    geo = dict(l.split("=") for l in run("xdotool", "getwindowgeometry", "--shell", box).split())
    bx, by, bw, bh = (int(geo[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
    return sum(1 for y in range(by, by + bh) for x in range(bx, bx + bw)
               if (lambda p: p[0] > 180 and p[1] < 80 and p[2] < 80)(s.at(x, y)))


def given_cells(game, screen, open_rgb):
    return sorted(i for i in range(1, 82) if game.cell_back(screen, i) != open_rgb)


def main():
    bin_dir = e2e_args.bin_dir()
    if not shutil.which("Xvfb"):
        print("SKIP: no Xvfb, no X server can be started")
        return 77
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten",
                             "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    display = xvfb.stdout.readline().decode().strip()
    if not display:
        print("SKIP: Xvfb did not start")
        return 77
    os.environ["DISPLAY"] = ":" + display
    os.environ.pop("QT_QPA_PLATFORM", None)
    work = tempfile.mkdtemp(prefix="zovudedoda-e2e-")
    try:
        scenario(bin_dir, work)
        scaled = tempfile.mkdtemp(prefix="zovudedoda-e2e-x2-")
        try:
            scenario_scaled(bin_dir, scaled)
        finally:
            shutil.rmtree(scaled, ignore_errors=True)
        pictures = os.path.join(os.path.dirname(bin_dir), "e2e-pictures")
        os.makedirs(pictures, exist_ok=True)
        for more, args in ((scenario_numbers, (1,)), (scenario_numbers, (2,)),
                           (scenario_buttons, ()),
                           *((scenario_scheme, (scheme, pictures)) for scheme in SCHEMES)):
            folder = tempfile.mkdtemp(prefix="zovudedoda-e2e-more-")
            try:
                more(bin_dir, folder, *args)
            finally:
                shutil.rmtree(folder, ignore_errors=True)
    finally:
        xvfb.terminate()
        shutil.rmtree(work, ignore_errors=True)
    print(f"{0 if failures else 1} passed, {len(failures)} failed")
    return 1 if failures else 0


def scenario(bin_dir, work):
    g = Game(bin_dir, work)
    # The menu bar's height depends on the font; the client area under it is 360 high.
    check(g.w == 478 and 360 + 10 <= g.h <= 360 + 40, f"fixed client width 478 (got {g.w}x{g.h})")
    check(abs(g.x - (1280 - g.w) // 2) <= 2 and abs(g.y - (1024 - g.h) // 2) <= 2, "window centred")

    s = Screen()
    backs = [g.cell_back(s, i) for i in range(1, 82)]
    kinds = sorted(set(backs))
    check(len(kinds) == 2, f"two back colours on a fresh board (got {kinds})")
    open_rgb = max(set(backs), key=backs.count)
    given = given_cells(g, s, open_rgb)
    given_rgb = g.cell_back(s, given[0])
    number = g.sql("SELECT GameNo FROM Game GROUP BY GameNo HAVING group_concat(\"Index\") = '"
                   + ",".join(map(str, given)) + "' OR COUNT(*) = 0 LIMIT 1")
    rows = dict(tuple(map(int, r.split("|"))) for r in g.sql(
        f"SELECT \"Index\", Number FROM Game WHERE GameNo = {number[0]}")) if number else {}
    check(bool(number) and sorted(rows) == given, "the grey cells are exactly a stored puzzle's")
    check(all(g.cell_digit(s, i) == d for i, d in rows.items()), "each given digit in its colour")

    # The focus starts in cell 1; arrows move it; typing only keeps 1-9.
    first_open = next(i for i in range(1, 82) if i not in rows)
    if first_open > 1:
        g.key(*(["Right"] * (first_open - 1)))
    g.key("Left") if first_open == 1 else None
    g.type("a0 .")
    check(g.cell_digit(g.settle(), first_open) == 0, "letters, 0, blank and point vanish")
    g.type("3")
    check(until(lambda: g.cell_digit(Screen(), first_open) == 3),
          f"typed 3 stands in cell {first_open}, green")
    g.type("5")
    check(g.cell_digit(g.settle(), first_open) == 3, "a second digit adds nothing (one character)")

    # At the edges the arrows stay: Down in the bottom row, Left in column 1 of row 1.
    bottom = next((i for i in range(1, 10) if i not in rows), None)
    if bottom is not None:
        g.click_cell(bottom)
        g.key("Down", "Down")
        if bottom == 1:
            g.key("Left")
        g.key("BackSpace", "Delete")
        g.type("6")
        check(until(lambda: g.cell_digit(Screen(), bottom) == 6),
              f"Down in the bottom row stays in cell {bottom}")
        g.key("BackSpace", "Delete")
        g.click_cell(first_open)
        g.key("End")

    # Keypad overwrite with Num Lock on; with it off, keypad 7 is Home and changes nothing.
    def numlock():
        return "Num Lock:    on" in run("xset", "q")
    if not numlock():
        g.key("Num_Lock")
    g.key("79")  # KP_7
    check(until(lambda: g.cell_digit(Screen(), first_open) == 7), "keypad 7 replaces 3 (Num Lock on)")
    g.key("Num_Lock")
    g.key("84")  # KP_5 without Num Lock
    check(g.cell_digit(g.settle(), first_open) == 7, "keypad 5 with Num Lock off changes nothing")
    g.key("Num_Lock")

    # Right-click marks an open cell, no menu opens; a given cell stays.
    before = len(run("xdotool", "search", "--onlyvisible", "--name", "", check_rc=False).split())
    target = next(i for i in range(81, 0, -1) if i not in rows)
    g.click_cell(target, 3)
    until(lambda: g.cell_back(Screen(), target) not in (open_rgb, given_rgb))
    mark_rgb = g.cell_back(g.settle(), target)
    after = len(run("xdotool", "search", "--onlyvisible", "--name", "", check_rc=False).split())
    check(mark_rgb not in (open_rgb, given_rgb), "a marked cell has a third colour")
    check(after == before, "no context menu on right-click")
    g.click_cell(given[0], 3)
    check(g.cell_back(g.settle(), given[0]) == given_rgb, "right-click leaves a given cell alone")

    # Clear empties entries and keeps marks; Done answers Sorry with the critical icon.
    g.click(*g.button("clear"))
    until(lambda: g.cell_digit(Screen(), first_open) == 0)
    s = g.settle()
    check(g.cell_digit(s, first_open) == 0 and g.cell_back(s, target) == mark_rgb,
          "Clear empties entries and keeps marks")
    g.click(*g.button("done"))
    reds = red_pixels(g.dialog())
    check(reds > 20, "Sorry shows the critical icon")
    g.key("Return")
    g.wait_closed()

    # Solve the puzzle with the tool, type the solution, Done answers Congratulations.
    solution = run(os.path.join(work, "zovudedoda-db"), "--db", g.db, "solve", number[0])
    digits = [c for c in solution if c.isdigit()]
    for i in range(1, 82):
        if i in rows:
            continue
        pos = (9 - ((i - 1) // 9 + 1)) * 9 + (i - 1) % 9
        g.click_cell(i)
        g.key("BackSpace", "Delete")
        g.type(digits[pos])
    g.click(*g.button("done"))
    reds = red_pixels(g.dialog())
    check(reds == 0, "a solved board is told Congratulations (no icon)")
    g.key("Return")
    g.wait_closed()

    # New without Random asks for the number.
    g.click(*g.button("random"))
    g.click(*g.button("new"))
    check(until(lambda: len(g.visible("^zovudedoda$")) == 2),
          "New without Random opens the input box")
    g.dialog()
    g.key("ctrl+a")
    g.type("2")
    g.key("Return")
    two = sorted(int(r) for r in g.sql("SELECT \"Index\" FROM Game WHERE GameNo = 2"))
    check(until(lambda: given_cells(g, Screen(), open_rgb) == two), "puzzle 2 is on the board")

    # Add Game Mode, type three digits, Add Game; the rows are in the file.
    highest = int(g.sql("SELECT MAX(GameNo) FROM Game")[0])
    g.click(*g.button("addmode"))
    check(until(lambda: len(given_cells(g, Screen(), open_rgb)) == 0),
          "add-game mode empties the board")
    for i, d in ((1, "4"), (41, "5"), (81, "6")):
        g.click_cell(i)
        g.type(d)
    g.click(*g.button("save"))
    check(until(lambda: len(g.visible("^zovudedoda$")) == 2),
          "after Add Game the input box asks which to play")
    g.dialog()
    g.key("Escape")
    g.wait_closed()
    stored = g.sql(f"SELECT \"Index\" || ':' || Number FROM Game WHERE GameNo = {highest + 1} "
                   "ORDER BY \"Index\"")
    check(stored == ["1:4", "41:5", "81:6"], f"the new puzzle is stored as {highest + 1}")
    check(run("sqlite3", g.db, "PRAGMA integrity_check").strip() == "ok", "the file is intact")

    # About opens and OK closes it.
    g.click(20, -10)

    def sizes_of_windows():
        return [run("xdotool", "getwindowgeometry", w).split("Geometry: ")[1].strip()
                for w in g.visible("^Zovudedoda$")]
    until(lambda: "264x216" in sizes_of_windows())
    sizes = sizes_of_windows()
    check("264x216" in sizes, f"the About window opens at 264x216 ({sizes})")
    g.dialog()
    g.key("Return")
    check(until(lambda: len(g.visible("^zovudedoda$")) == 1), "OK closes the About window")

    # Closing the window ends the program with status 0.
    close_window(int(g.win))
    try:
        rc = g.proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        g.proc.kill()
        rc = None
    check(rc == 0, f"closing the window exits with status 0 (got {rc})")
    if rc != 0:
        print(g.proc.stdout.read().decode(errors="replace")[-3000:])


def scenario_scaled(bin_dir, work):
    """At a scale factor of 2 the window doubles and the board keeps its geometry."""
    g = Game(bin_dir, work, scale=2)
    check(g.w == 956, f"at scale 2 the window is 956 wide (got {g.w}x{g.h})")
    s = Screen()
    backs = [g.cell_back(s, i) for i in range(1, 82)]
    open_rgb = max(set(backs), key=backs.count)
    given = given_cells(g, s, open_rgb)
    number = g.sql("SELECT GameNo FROM Game GROUP BY GameNo HAVING group_concat(\"Index\") = '"
                   + ",".join(map(str, given)) + "' LIMIT 1")
    check(len(set(backs)) == 2 and bool(number), "at scale 2 the grey cells are a stored puzzle's")
    rows = dict(tuple(map(int, r.split("|"))) for r in g.sql(
        f"SELECT \"Index\", Number FROM Game WHERE GameNo = {number[0]}")) if number else {}
    check(all(g.cell_digit(s, i) == d for i, d in rows.items()), "at scale 2 digits keep colours")
    close_window(int(g.win))
    rc = g.proc.wait(timeout=20)
    check(rc == 0, f"at scale 2 closing exits with status 0 (got {rc})")
    if rc != 0:
        print(g.proc.stdout.read().decode(errors="replace")[-3000:])


NUMBER_BOX = (120 // TWIPS, 480 // TWIPS, 33, 34)


def number_box(game, screen):
    """The game-number box as rows of pixels, its frame included."""
    l, t, w, h = NUMBER_BOX
    x0, y0 = game.client(l, t)
    return [[screen.at(x0 + x, y0 + y) for x in range(w * game.scale)]
            for y in range(h * game.scale)]


def number_whole(pixels, scale):
    """Whether the box shows its number whole: inside the frame, clear of it on both sides and
    centred. A scrolled box shows the last digits cut off at one side. The number's colours are
    not grey; the frame's and the back's are."""
    inner = range(scale, len(pixels[0]) - scale)
    cols = [x for x in range(len(pixels[0]))
            if any(max(row[x]) - min(row[x]) > 16 for row in pixels)]
    if not cols:
        return False, "no number"
    left, right = cols[0] - inner[0], inner[-1] - cols[-1]
    return left > 0 and right > 0 and abs(left - right) <= 2 * scale, f"margins {left}, {right}"


def library_with_32767(bin_dir, stage):
    """The default library and puzzle 1 once more as 32767, the highest number there can be."""
    library = e2e_args.library_name(bin_dir)
    for f in ("zovudedoda", "zovudedoda-db", library):
        shutil.copy2(os.path.join(bin_dir, f), stage)
    run("sqlite3", os.path.join(stage, library),
        "INSERT INTO Game (GameNo, \"Index\", Number) "
        "SELECT 32767, \"Index\", Number FROM Game WHERE GameNo = 1")
    return stage


def ask_for(g, number):
    """New with Random off: the input box asks, and the number is typed in."""
    g.click(*g.button("new"))
    g.dialog()
    g.key("ctrl+a")
    g.type(str(number))
    g.key("Return")
    g.wait_closed()


def scenario_numbers(bin_dir, work, scale=1):
    """The game-number box shows every number whole, in the pixels on the screen."""
    stage = tempfile.mkdtemp(prefix="zovudedoda-e2e-lib-")
    try:
        g = Game(library_with_32767(bin_dir, stage), work, scale)
    finally:
        shutil.rmtree(stage, ignore_errors=True)
    at = f" at scale {scale}" if scale != 1 else ""
    g.click(*g.button("random"))
    shown = {}
    for n in (101, 201, 1101, 32767):
        ask_for(g, n)
        shown[n] = number_box(g, g.settle())
        whole, why = number_whole(shown[n], scale)
        check(whole, f"{n} stands whole in the game-number box{at} ({why})")
    check(shown[101] != shown[201] and shown[101] != shown[1101] and shown[201] != shown[1101],
          f"101, 201 and 1101 are drawn differently{at}")
    # A cancelled New leaves the number as it was, and as whole.
    g.click(*g.button("new"))
    g.dialog()
    g.key("Escape")
    g.wait_closed()
    check(number_box(g, g.settle()) == shown[32767], f"after a cancelled New 32767 stays{at}")
    if scale == 1:
        # Add-game mode proposes the next free number, shown whole too.
        run("sqlite3", g.db, "DELETE FROM Game WHERE GameNo = 32767")
        highest = int(g.sql("SELECT MAX(GameNo) FROM Game")[0])
        g.click(*g.button("addmode"))
        whole, why = number_whole(number_box(g, g.settle()), scale)
        check(whole, f"the proposed number {highest + 1} stands whole ({why})")
        g.click(*g.button("addmode"))
        g.settle()
        if len(g.visible("^zovudedoda$")) == 2:
            g.dialog()
            g.key("Escape")
            g.wait_closed()
    finish(g)


def scenario_buttons(bin_dir, work):
    """Every right-button press toggles the mark, however fast; the middle button never pastes
    the X selection into a cell."""
    g = Game(bin_dir, work)
    s = Screen()
    backs = [g.cell_back(s, i) for i in range(1, 82)]
    open_rgb = max(set(backs), key=backs.count)
    free = [i for i in range(1, 82) if backs[i - 1] == open_rgb and g.cell_digit(s, i) == 0]
    l, t, w, h = cell_rect(free[0])
    ax, ay = g.client(l + w - 6, t + h // 2)
    run("xdotool", "mousemove", str(ax), str(ay), "click", "--repeat", "2", "--delay", "50", "3")
    check(g.cell_back(g.settle(), free[0]) == open_rgb, "two quick right-clicks unmark again")
    g.click_cell(free[0], 3)
    check(until(lambda: g.cell_back(Screen(), free[0]) != open_rgb), "a third right-click marks")
    if not shutil.which("xclip"):
        print("skip: no xclip to set the X selection; the middle-click check is left out")
    else:
        owner = subprocess.Popen(["xclip", "-quiet", "-selection", "primary"],
                                 stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        owner.stdin.write(b"7")
        owner.stdin.close()
        try:
            until(lambda: run("xclip", "-o", "-selection", "primary", check_rc=False) == "7", 5)
            check(run("xclip", "-o", "-selection", "primary", check_rc=False) == "7",
                  "the X selection holds 7")
            g.click_cell(free[1], 2)
            s = g.settle()
            check(g.cell_digit(s, free[1]) == 0 and g.cell_back(s, free[1]) == open_rgb,
                  "a middle click pastes nothing into a cell and leaves its colour")
        finally:
            owner.terminate()
            owner.wait(timeout=10)
    finish(g)


# The colours as the player sees them: WCAG 2 contrast and CIEDE2000 distance, worked out here
# from the formulas, not taken from the game.
def linear(c):
    v = c / 255
    return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4


def luminance(rgb):
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)))
    return (lb + 0.05) / (la + 0.05)


def lab(rgb):
    r, g, b = (linear(c) for c in rgb)
    x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047
    y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b
    z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883
    f = [v ** (1 / 3) if v > 216 / 24389 else (24389 / 27 * v + 16) / 116 for v in (x, y, z)]
    return 116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2])


def distance(p, q):
    """CIEDE2000."""
    (l1, a1, b1), (l2, a2, b2) = lab(p), lab(q)
    c7 = ((math.hypot(a1, b1) + math.hypot(a2, b2)) / 2) ** 7
    g = 0.5 * (1 - math.sqrt(c7 / (c7 + 25 ** 7)))
    a1, a2 = a1 * (1 + g), a2 * (1 + g)
    c1, c2 = math.hypot(a1, b1), math.hypot(a2, b2)
    h1 = math.degrees(math.atan2(b1, a1)) % 360 if c1 else 0
    h2 = math.degrees(math.atan2(b2, a2)) % 360 if c2 else 0
    dh = 0 if c1 * c2 == 0 else (h2 - h1 + 180) % 360 - 180
    dH = 2 * math.sqrt(c1 * c2) * math.sin(math.radians(dh / 2))
    lm, cm = (l1 + l2) / 2, (c1 + c2) / 2
    if c1 * c2 == 0:
        hm = h1 + h2
    elif abs(h1 - h2) <= 180:
        hm = (h1 + h2) / 2
    else:
        hm = (h1 + h2 + 360) / 2 if h1 + h2 < 360 else (h1 + h2 - 360) / 2
    t = (1 - 0.17 * math.cos(math.radians(hm - 30)) + 0.24 * math.cos(math.radians(2 * hm))
         + 0.32 * math.cos(math.radians(3 * hm + 6)) - 0.20 * math.cos(math.radians(4 * hm - 63)))
    rc = 2 * math.sqrt(cm ** 7 / (cm ** 7 + 25 ** 7))
    rt = -math.sin(math.radians(60 * math.exp(-((hm - 275) / 25) ** 2))) * rc
    sl = 1 + 0.015 * (lm - 50) ** 2 / math.sqrt(20 + (lm - 50) ** 2)
    sc, sh = 1 + 0.045 * cm, 1 + 0.015 * cm * t
    dl, dc, dhh = (l2 - l1) / sl, (c2 - c1) / sc, dH / sh
    return math.sqrt(dl * dl + dc * dc + dhh * dhh + rt * dc * dhh)


def hue(rgb):
    r, g, b = (c / 255 for c in rgb)
    hi, lo = max(r, g, b), min(r, g, b)
    if hi == lo:
        return None
    d = hi - lo
    h = (g - b) / d % 6 if hi == r else (b - r) / d + 2 if hi == g else (r - g) / d + 4
    return h * 60


# The backs of the light default scheme, against which the digit colours were chosen.
LIGHT_BACK = {"open": (255, 255, 255), "given": (212, 212, 212), "marked": (162, 203, 229)}
ABOUT_GREY = (192, 192, 192)
LINK_BLUE = (0, 0, 255)


def ink(screen, x0, y0, w, h, back):
    """The glyphs' full colour in a rectangle: the commonest colour that is clearly not back."""
    counts = {}
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            p = screen.at(x, y)
            counts[p] = counts.get(p, 0) + 1
    far = {p: n for p, n in counts.items() if distance(p, back) > 12}
    return max(far, key=far.get) if far else None


def commonest(screen, x0, y0, w, h):
    counts = {}
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            counts[screen.at(x, y)] = counts.get(screen.at(x, y), 0) + 1
    return max(counts, key=counts.get)


def plugin(kind, name):
    return any(glob.glob(f"/usr/lib/*/qt6/plugins/{kind}/{name}")
               + glob.glob(f"/usr/lib/qt6/plugins/{kind}/{name}"))


# A palette set by the test itself through qt6ct: black base, white text. The roles run in
# QPalette's order: WindowText, Button, Light, Midlight, Dark, Mid, Text, BrightText, ButtonText,
# Base, Window, Shadow, Highlight, HighlightedText, Link, LinkVisited, AlternateBase, NoRole,
# ToolTipBase, ToolTipText, PlaceholderText.
BLACK_BASE = ("#ffffffff, #ff202020, #ff404040, #ff303030, #ff101010, #ff202020, #ffffffff, "
              "#ffffffff, #ffffffff, #ff000000, #ff000000, #ff000000, #ff3daee9, #ff000000, "
              "#ff3daee9, #ffb070f0, #ff101010, #ff000000, #ff202020, #ffffffff, #ffa0a0a0")


def black_base_env(folder):
    conf = os.path.join(folder, "qt6ct")
    os.makedirs(conf, exist_ok=True)
    scheme = os.path.join(conf, "black-base.conf")
    with open(scheme, "w") as f:
        f.write("[ColorScheme]\n" + "".join(f"{k}_colors={BLACK_BASE}\n"
                                            for k in ("active", "inactive", "disabled")))
    with open(os.path.join(conf, "qt6ct.conf"), "w") as f:
        f.write(f"[Appearance]\ncolor_scheme_path={scheme}\ncustom_palette=true\nstyle=Fusion\n")
    return {"QT_QPA_PLATFORMTHEME": "qt6ct", "XDG_CONFIG_HOME": folder}


# name, what the scheme needs, how to ask for it, whether it is dark.
SCHEMES = [
    ("light", None, lambda folder: {}, False),
    ("adwaita-dark", ("platformthemes", "libqgtk3.so"),
     lambda folder: {"QT_QPA_PLATFORMTHEME": "gtk3", "GTK_THEME": "Adwaita:dark"}, True),
    # Qt's GTK platform theme keeps its palette light under GTK's HighContrastInverse; the
    # Qt 6 port of that theme (adwaita-qt6) brings its palette with the style.
    ("high-contrast-inverse", ("styles", "adwaita.so"),
     lambda folder: {"QT_STYLE_OVERRIDE": "Adwaita-HighContrastInverse"}, True),
    ("black-base", ("platformthemes", "libqt6ct.so"), black_base_env, True),
]


def scenario_scheme(bin_dir, work, scheme, pictures):
    """On every colour scheme the three backs stand apart, the edges show, and every digit and
    line reads at least as well as on the light default, or with a contrast ratio of 3."""
    name, needs, env_of, dark = scheme
    if needs and not plugin(*needs):
        print(f"skip: scheme {name}: Qt's {needs[0]} plugin {needs[1]} is not installed")
        return
    saved = dict(os.environ)
    os.environ.update(env_of(work))
    try:
        g = Game(bin_dir, work)
    finally:
        os.environ.clear()
        os.environ.update(saved)
    at = f" ({name})"
    g.click(*g.button("random"))
    ask_for(g, 2)
    givens = dict(tuple(map(int, r.split("|"))) for r in g.sql(
        "SELECT \"Index\", Number FROM Game WHERE GameNo = 2"))
    free = [i for i in range(1, 82) if i not in givens]
    typed = {free[d - 1]: d for d in range(1, 10)}
    marked = {free[8 + d]: d for d in range(1, 10)}
    empty_marked, empty_open = free[18], free[19]
    for i, d in list(typed.items()) + list(marked.items()):
        g.click_cell(i)
        g.type(str(d))
    for i in list(marked) + [empty_marked]:
        g.click_cell(i, 3)
    g.click(*g.button("random"))
    g.click(*g.button("random"))  # the keyboard off the cells: no cursor in the pictures
    s = g.settle()
    run("import", "-window", g.win, os.path.join(pictures, f"{name}-main.png"))
    back = {"open": g.cell_back(s, empty_open), "given": g.cell_back(s, next(iter(givens))),
            "marked": g.cell_back(s, empty_marked)}
    check(not dark or luminance(back["open"]) < 0.2, f"the scheme is in force{at}: open {back}")
    kinds = {i: "given" for i in givens} | {i: "open" for i in typed} | {i: "marked" for i in marked}
    check(all(g.cell_back(s, i) == back[k] for i, k in kinds.items()),
          f"each kind of cell has one back{at}")
    apart = {f"{a}/{b}": distance(back[a], back[b])
             for a, b in (("open", "given"), ("open", "marked"), ("given", "marked"))}
    print(f"  distances{at}: " + ", ".join(f"{k} {v:.1f}" for k, v in apart.items()))
    check(all(v >= 9 for v in apart.values()), f"the three backs are 9 apart in CIEDE2000{at}")

    ratios = {}
    for i, d in (givens | typed | marked).items():
        kind = kinds[i]
        l, t, w, h = cell_rect(i)
        x, y = g.client(l + 4, t + 3)
        colour = ink(s, x, y, w - 8, h - 6, back[kind])
        need = min(3.0, contrast(DIGIT_RGB[d], LIGHT_BACK[kind]))
        got = contrast(colour, back[kind]) if colour else 0
        ratios.setdefault(kind, {})[d] = got
        want_hue, got_hue = hue(DIGIT_RGB[d]), hue(colour) if colour else None
        keeps = want_hue is None or (got_hue is not None
                                     and abs((got_hue - want_hue + 180) % 360 - 180) <= 10)
        check(got >= need - 0.005 and keeps,
              f"digit {d} in a {kind} cell {i}: ratio {got:.2f} >= {need:.2f}, hue kept{at}")
        # The edge: the outer pixel column of the cell, against its back.
        ex, ey = g.client(l, t + h // 2)
        edge = max((s.at(ex + k, ey) for k in (0, 1)), key=lambda p: distance(p, back[kind]))
        check(distance(edge, back[kind]) >= 9, f"the edge of {kind} cell {i} shows{at}")
    for kind, by_digit in ratios.items():
        print(f"  ratios {kind}{at}: " + " ".join(f"{d}:{r:.2f}" for d, r in sorted(by_digit.items())))

    # The game-number box shows 2 in digit 2's colour on its fixed white.
    l, t, w, h = NUMBER_BOX
    x, y = g.client(l + 4, t + 4)
    box_back = s.at(x, y)
    colour = ink(s, x, y, w - 8, h - 8, box_back)
    got = contrast(colour, box_back) if colour else 0
    print(f"  game-number box{at}: ratio {got:.2f}")
    check(got >= min(3.0, contrast(DIGIT_RGB[2], (255, 255, 255))) - 0.005,
          f"the game number reads ({got:.2f}){at}")

    # The About window: fixed grey frame, the lines in the scheme's text colour made readable
    # there, the links in their fixed colours.
    g.click(20, -10)
    about = until(lambda: [w for w in g.visible("^Zovudedoda$") if w != g.win])[-1]
    geo = dict(l.split("=") for l in run("xdotool", "getwindowgeometry", "--shell", about).split())
    ax, ay = int(geo["X"]), int(geo["Y"])

    def line_ratio(top):
        box = (ax + 480 // TWIPS, ay + 8 + top // TWIPS, 2775 // TWIPS, 255 // TWIPS)
        sa = Screen()
        grey = commonest(sa, *box)
        colour = ink(sa, *box, grey)
        return grey, (contrast(colour, grey) if colour else 0)

    for label, top, light in (("Label3", 360, (0, 0, 0)), ("Label4", 960, (0, 0, 0)),
                              ("Label1", 1320, (0, 0, 0)), ("Label2", 1680, (0, 0, 0)),
                              ("Label13", 2040, (0, 0, 0))):
        grey, got = line_ratio(top)
        need = min(3.0, contrast(light, ABOUT_GREY))
        check(grey == ABOUT_GREY and got >= need, f"About {label} reads ({got:.2f}){at}")
    # The frame's title, drawn in the frame's text colour.
    title = (ax + 8, ay + 8, 45, 14)
    sa = Screen()
    colour = ink(sa, *title, ABOUT_GREY)
    got = contrast(colour, ABOUT_GREY) if colour else 0
    check(commonest(sa, *title) == ABOUT_GREY and got >= 3.0,
          f"the About frame's title reads ({got:.2f}){at}")
    run("xdotool", "mousemove", str(ax + 60), str(ay + 8 + 2040 // TWIPS + 8))
    g.settle()
    run("import", "-window", about, os.path.join(pictures, f"{name}-about.png"))
    grey, got = line_ratio(2040)
    check(got >= min(3.0, contrast(LINK_BLUE, ABOUT_GREY)),
          f"the web link under the pointer reads ({got:.2f}){at}")
    g.focus(about)
    g.key("Return")
    until(lambda: g.visible("^Zovudedoda$") == [g.win])
    finish(g)


def finish(g):
    """Closes the main window and waits for the program to end."""
    close_window(int(g.win))
    try:
        g.proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        g.proc.kill()


def close_window(wid):
    from Xlib import X, display, protocol
    d = display.Display()
    w = d.create_resource_object("window", wid)
    event = protocol.event.ClientMessage(
        window=w, client_type=d.intern_atom("WM_PROTOCOLS"),
        data=(32, [d.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
    w.send_event(event)
    d.flush()


if __name__ == "__main__":
    sys.exit(main())
