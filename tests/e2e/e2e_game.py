#!/usr/bin/python3
"""Drives the real game under Xvfb with real X input (xdotool), reading its screen from
screenshots and its library with the sqlite3 client. Usage: e2e_game.py BIN_DIR"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

TWIPS = 15
DIGIT_RGB = {1: (0, 0, 128), 2: (255, 0, 0), 3: (0, 128, 0), 4: (0, 192, 192), 5: (128, 0, 0),
             6: (0, 255, 0), 7: (128, 128, 255), 8: (128, 0, 128), 9: (128, 128, 0)}

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


def cell_rect(i):
    row, col = (i - 1) // 9 + 1, (i - 1) % 9 + 1
    left = 840 + 480 * (col - 1) + 120 * ((col - 1) // 3)
    top = 4560 - 480 * (row - 1) - 120 * ((row - 1) // 3)
    return left // TWIPS, top // TWIPS, 33, 34


class Screen:
    def __init__(self):
        data = subprocess.run(["import", "-silent", "-window", "root", "-depth", "8", "ppm:-"],
                              capture_output=True, timeout=20).stdout
        parts = data.split(maxsplit=4)
        self.w, self.h = int(parts[1]), int(parts[2])
        self.pix = parts[4]

    def at(self, x, y):
        k = (y * self.w + x) * 3
        return tuple(self.pix[k:k + 3])

    def count(self, x0, y0, w, h, rgb):
        return sum(1 for y in range(y0, y0 + h) for x in range(x0, x0 + w) if self.at(x, y) == rgb)


class Game:
    def __init__(self, bin_dir, work, scale=1):
        for f in ("zovudedoda", "zovudedoda-db", "Zovudedoda.mdb"):
            shutil.copy2(os.path.join(bin_dir, f), work)
        self.db = os.path.join(work, "Zovudedoda.mdb")
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
        end = time.time() + 10
        while time.time() < end and self.cell_back(Screen(), 1) == (0, 0, 0):
            time.sleep(0.1)  # mapped, not yet painted

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
        time.sleep(0.1)

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

    def click(self, x, y, button=1):
        ax, ay = self.client(x, y)
        run("xdotool", "mousemove", str(ax), str(ay), "click", str(button))
        time.sleep(0.15)

    def click_cell(self, i, button=1):
        l, t, w, h = cell_rect(i)
        self.click(l + w - 6, t + h // 2, button)

    def key(self, *keys):
        run("xdotool", "key", "--delay", "30", *keys)
        time.sleep(0.15)

    def type(self, text):
        run("xdotool", "type", "--delay", "30", text)
        time.sleep(0.15)

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
    bin_dir = os.path.abspath(sys.argv[1])
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
        for more, args in ((scenario_numbers, (1,)), (scenario_numbers, (2,)),
                           (scenario_buttons, ())):
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
    s = Screen()
    check(g.cell_digit(s, first_open) == 0, "letters, 0, blank and point vanish")
    g.type("3")
    s = Screen()
    check(g.cell_digit(s, first_open) == 3, f"typed 3 stands in cell {first_open}, green")
    g.type("5")
    check(g.cell_digit(Screen(), first_open) == 3, "a second digit adds nothing (one character)")

    # At the edges the arrows stay: Down in the bottom row, Left in column 1 of row 1.
    bottom = next((i for i in range(1, 10) if i not in rows), None)
    if bottom is not None:
        g.click_cell(bottom)
        g.key("Down", "Down")
        if bottom == 1:
            g.key("Left")
        g.key("BackSpace", "Delete")
        g.type("6")
        check(g.cell_digit(Screen(), bottom) == 6, f"Down in the bottom row stays in cell {bottom}")
        g.key("BackSpace", "Delete")
        g.click_cell(first_open)
        g.key("End")

    # Keypad overwrite with Num Lock on; with it off, keypad 7 is Home and changes nothing.
    def numlock():
        return "Num Lock:    on" in run("xset", "q")
    if not numlock():
        g.key("Num_Lock")
    g.key("79")  # KP_7
    check(g.cell_digit(Screen(), first_open) == 7, "keypad 7 replaces 3 (Num Lock on)")
    g.key("Num_Lock")
    g.key("84")  # KP_5 without Num Lock
    check(g.cell_digit(Screen(), first_open) == 7, "keypad 5 with Num Lock off changes nothing")
    g.key("Num_Lock")

    # Right-click marks an open cell, no menu opens; a given cell stays.
    before = len(run("xdotool", "search", "--onlyvisible", "--name", "", check_rc=False).split())
    target = next(i for i in range(81, 0, -1) if i not in rows)
    g.click_cell(target, 3)
    s = Screen()
    mark_rgb = g.cell_back(s, target)
    after = len(run("xdotool", "search", "--onlyvisible", "--name", "", check_rc=False).split())
    check(mark_rgb not in (open_rgb, given_rgb), "a marked cell has a third colour")
    check(after == before, "no context menu on right-click")
    g.click_cell(given[0], 3)
    check(g.cell_back(Screen(), given[0]) == given_rgb, "right-click leaves a given cell alone")

    # Clear empties entries and keeps marks; Done answers Sorry with the critical icon.
    g.click(*g.button("clear"))
    s = Screen()
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
    time.sleep(0.3)
    check(len(g.visible("^zovudedoda$")) == 2, "New without Random opens the input box")
    g.dialog()
    g.key("ctrl+a")
    g.type("2")
    g.key("Return")
    time.sleep(0.5)
    s = Screen()
    two = sorted(int(r) for r in g.sql("SELECT \"Index\" FROM Game WHERE GameNo = 2"))
    check(given_cells(g, s, open_rgb) == two, "puzzle 2 is on the board")

    # Add Game Mode, type three digits, Add Game; the rows are in the file.
    highest = int(g.sql("SELECT MAX(GameNo) FROM Game")[0])
    g.click(*g.button("addmode"))
    check(len(given_cells(g, Screen(), open_rgb)) == 0, "add-game mode empties the board")
    for i, d in ((1, "4"), (41, "5"), (81, "6")):
        g.click_cell(i)
        g.type(d)
    g.click(*g.button("save"))
    time.sleep(0.3)
    check(len(g.visible("^zovudedoda$")) == 2, "after Add Game the input box asks which to play")
    g.dialog()
    g.key("Escape")
    time.sleep(0.3)
    stored = g.sql(f"SELECT \"Index\" || ':' || Number FROM Game WHERE GameNo = {highest + 1} "
                   "ORDER BY \"Index\"")
    check(stored == ["1:4", "41:5", "81:6"], f"the new puzzle is stored as {highest + 1}")
    check(run("sqlite3", g.db, "PRAGMA integrity_check").strip() == "ok", "the file is intact")

    # About opens and OK closes it.
    g.click(20, -10)
    time.sleep(0.5)
    wins = g.visible("^Zovudedoda$")
    sizes = [run("xdotool", "getwindowgeometry", w).split("Geometry: ")[1].strip() for w in wins]
    check("264x216" in sizes, f"the About window opens at 264x216 ({sizes})")
    g.dialog()
    g.key("Return")
    time.sleep(0.3)
    check(len(g.visible("^zovudedoda$")) == 1, "OK closes the About window")

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
    for f in ("zovudedoda", "zovudedoda-db", "Zovudedoda.mdb"):
        shutil.copy2(os.path.join(bin_dir, f), stage)
    run("sqlite3", os.path.join(stage, "Zovudedoda.mdb"),
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
    time.sleep(0.5)


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
        shown[n] = number_box(g, Screen())
        whole, why = number_whole(shown[n], scale)
        check(whole, f"{n} stands whole in the game-number box{at} ({why})")
    check(shown[101] != shown[201] and shown[101] != shown[1101] and shown[201] != shown[1101],
          f"101, 201 and 1101 are drawn differently{at}")
    # A cancelled New leaves the number as it was, and as whole.
    g.click(*g.button("new"))
    g.dialog()
    g.key("Escape")
    time.sleep(0.5)
    check(number_box(g, Screen()) == shown[32767], f"after a cancelled New 32767 stays{at}")
    if scale == 1:
        # Add-game mode proposes the next free number, shown whole too.
        run("sqlite3", g.db, "DELETE FROM Game WHERE GameNo = 32767")
        highest = int(g.sql("SELECT MAX(GameNo) FROM Game")[0])
        g.click(*g.button("addmode"))
        time.sleep(0.3)
        whole, why = number_whole(number_box(g, Screen()), scale)
        check(whole, f"the proposed number {highest + 1} stands whole ({why})")
        g.click(*g.button("addmode"))
        time.sleep(0.3)
        if len(g.visible("^zovudedoda$")) == 2:
            g.dialog()
            g.key("Escape")
            time.sleep(0.3)
    close_window(int(g.win))
    try:
        g.proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        g.proc.kill()


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
    time.sleep(0.3)
    check(g.cell_back(Screen(), free[0]) == open_rgb, "two quick right-clicks unmark again")
    g.click_cell(free[0], 3)
    check(g.cell_back(Screen(), free[0]) != open_rgb, "a third right-click marks")
    if not shutil.which("xclip"):
        print("skip: no xclip to set the X selection; the middle-click check is left out")
    else:
        owner = subprocess.Popen(["xclip", "-quiet", "-selection", "primary"],
                                 stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        owner.stdin.write(b"7")
        owner.stdin.close()
        try:
            end = time.time() + 5
            while time.time() < end and run("xclip", "-o", "-selection", "primary",
                                            check_rc=False) != "7":
                time.sleep(0.1)
            check(run("xclip", "-o", "-selection", "primary", check_rc=False) == "7",
                  "the X selection holds 7")
            g.click_cell(free[1], 2)
            s = Screen()
            check(g.cell_digit(s, free[1]) == 0 and g.cell_back(s, free[1]) == open_rgb,
                  "a middle click pastes nothing into a cell and leaves its colour")
        finally:
            owner.terminate()
            owner.wait(timeout=10)
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
