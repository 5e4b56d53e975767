#!/usr/bin/python3
"""Captions, digits and the game-number box at every scale factor, measured on the screen's
pixels of the real game under Xvfb: QT_SCALE_FACTOR 1 to 2, QT_SCREEN_SCALE_FACTORS, and Xft.dpi
120 and 144, from which Qt 6.4's xcb plugin takes its scale. Every caption's ink height must be
within 15 % of the factor times its height at 1, the digits centred in their cells within 3 px
times the factor, the number box must show 32767 whole, and the window keep its proportions.
Then, at a factor of 1 on the light default, under qt6ct with an 11- and a 13-point desktop font
and under the Adwaita-HighContrastInverse style, no caption of either window may be cut off.
Usage: e2e_scale.py BIN_DIR"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_pixels import Shot, cell_back, cell_rect, coloured, ink, luminance, twips  # noqa: E402
import e2e_args  # noqa: E402
from e2e_wait import answered, settled  # noqa: E402

CASES = [  # name, factor, environment, Xft.dpi
    ("QT_SCALE_FACTOR=1", 1.0, {"QT_SCALE_FACTOR": "1"}, None),
    ("QT_SCALE_FACTOR=1.25", 1.25, {"QT_SCALE_FACTOR": "1.25"}, None),
    ("QT_SCALE_FACTOR=1.5", 1.5, {"QT_SCALE_FACTOR": "1.5"}, None),
    ("QT_SCALE_FACTOR=1.75", 1.75, {"QT_SCALE_FACTOR": "1.75"}, None),
    ("QT_SCALE_FACTOR=2", 2.0, {"QT_SCALE_FACTOR": "2"}, None),
    ("QT_SCREEN_SCALE_FACTORS=1.75", 1.75, {"QT_SCREEN_SCALE_FACTORS": "1.75"}, None),
    ("Xft.dpi 120", 1.25, {}, 120),
    ("Xft.dpi 144", 1.5, {}, 144),
]
# Desktops whose font or style differ from the design's, at a factor of 1: the captions are only
# checked whole there. name, environment (given the folder for qt6ct's configuration), needs.
DESKTOPS = [
    ("qt6ct, 11 pt", lambda folder: qt6ct_env(folder, 11), "platformthemes/libqt6ct.so"),
    ("qt6ct, 13 pt", lambda folder: qt6ct_env(folder, 13), "platformthemes/libqt6ct.so"),
    ("Adwaita-HighContrastInverse",
     lambda folder: {"QT_STYLE_OVERRIDE": "Adwaita-HighContrastInverse"}, "styles/adwaita.so"),
]
QT_PLUGINS = "/usr/lib/x86_64-linux-gnu/qt6/plugins/"
# Where each check box may stand, from its left edge as designed or from the board's right edge
# to the right end of "Add Game Mode", in 96-dpi pixels: x, y, width, height.
BOX_ROOM = {"Random": (5640 / 15, 480 / 15, (7095 - 5640) / 15, 255 / 15),
            "Add Game Mode": (5415 / 15 + 1, 3720 / 15, (7095 - 5415) / 15 - 1, 255 / 15)}

# Caption areas in the main window's client area and the About window, in 96-dpi pixels. A
# check box's text starts right of its indicator; a button's inside its frame.
MAIN_CAPTIONS = {
    "Game No.": (120 / 15, 240 / 15, 855 / 15, 255 / 15 - 2),  # clear of the box below
    "Random": (5640 / 15 + 18, 480 / 15, 975 / 15 - 18, 255 / 15),
    "New": (5640 / 15 + 4, 840 / 15 + 4, 1095 / 15 - 8, 615 / 15 - 8),
    "Clear": (5640 / 15 + 4, 1680 / 15 + 4, 1095 / 15 - 8, 615 / 15 - 8),
    "Done": (5640 / 15 + 4, 2520 / 15 + 4, 1095 / 15 - 8, 615 / 15 - 8),
    "Add Game Mode": (5520 / 15 + 18, 3720 / 15, 1575 / 15 - 18, 255 / 15),
    "Add Game": (5640 / 15 + 4, 4200 / 15 + 4, 1095 / 15 - 8, 615 / 15 - 8),
}
FRAME = twips(120, 120, 3735, 2535)
ABOUT_CAPTIONS = {
    "frame caption About": (FRAME[0] + 2, FRAME[1], 40, 13),
    "Zovudedoda Sudoku 1.0": (FRAME[0] + 32, FRAME[1] + 24, 185, 17),
    "Made in Thailand": (FRAME[0] + 32, FRAME[1] + 64, 185, 17),
    "BY :": (FRAME[0] + 32, FRAME[1] + 88, 185, 17),
    "E-MAIL :": (FRAME[0] + 32, FRAME[1] + 112, 185, 17),
    "URL :": (FRAME[0] + 32, FRAME[1] + 136, 185, 17),
    "OK": (96 + 4, 184 + 4, 73 - 8, 25 - 8),
}
NUMBER_BOX = twips(120, 480, 495, 510)
# Every line of the About window whole, in the same places; the frame's caption clear of its line.
ABOUT_LINES = {
    "About": (FRAME[0] + 2, FRAME[1], 40, 13),
    "Zovudedoda Sudoku 1.0": (FRAME[0] + 24, FRAME[1] + 24, 201, 17),
    "Made in Thailand": ABOUT_CAPTIONS["Made in Thailand"],
    "BY : The Zovudedoda developers": ABOUT_CAPTIONS["BY :"],
    "E-MAIL : zovudedoda@example.org": ABOUT_CAPTIONS["E-MAIL :"],
    "URL : www.example.org/zovudedoda": ABOUT_CAPTIONS["URL :"],
    "OK": ABOUT_CAPTIONS["OK"],
}

failures = []


def qt6ct_env(folder, points):
    """Qt's qt6ct platform theme with a desktop font of `points`."""
    conf = os.path.join(folder, "qt6ct")
    os.makedirs(conf, exist_ok=True)
    with open(os.path.join(conf, "qt6ct.conf"), "w") as f:
        f.write(f"[Appearance]\nstyle=Fusion\n\n[Fonts]\n"
                f"general=\"DejaVu Sans,{points},-1,5,50,0,0,0,0,0\"\n")
    return {"QT_QPA_PLATFORMTHEME": "qt6ct", "XDG_CONFIG_HOME": folder}


def glyphs(shot, x0, y0, w, h, threshold=40):
    """The number of separate runs of ink columns in the rectangle: the glyphs a caption shows.
    Rows whose ink spans most of the rectangle's ink (an underline, a frame's line) are left
    out, or they would join every glyph into one."""
    box = ink(shot, x0, y0, w, h, threshold)
    if box is None:
        return 0, [], 0
    counts = {}
    for y in range(box[1], box[3] + 1):
        for x in range(box[0], box[2] + 1):
            counts[shot.at(x, y)] = counts.get(shot.at(x, y), 0) + 1
    back = luminance(max(counts, key=counts.get))
    inked = [[abs(luminance(shot.at(x, y)) - back) > threshold for x in range(box[0], box[2] + 1)]
             for y in range(box[1], box[3] + 1)]
    rows = [r for r in inked if sum(r) < 0.6 * len(r)]
    columns = [any(r[i] for r in rows) for i in range(box[2] - box[0] + 1)]
    runs = []
    for i, c in enumerate(columns):
        if c and (i == 0 or not columns[i - 1]):
            runs.append([i, i])
        elif c:
            runs[-1][1] = i
    # How far the ink stands clear of the rectangle's right end, where a caption is cut.
    return len(runs), runs, round(x0 + w) - 1 - box[2]


def extent(found):
    """The number of glyphs and the width of their ink."""
    n, runs, clear = found
    return n, runs[-1][1] - runs[0][0] + 1 if runs else 0, clear


def letters(caption):
    return sum(ch.isalnum() for ch in caption)


def start(bin_dir, library, work, env_extra, scale):
    """Starts the game from `work` on a copy of `library`, the pointer out of the way, and waits
    for its board to be painted: the process, the main window, its geometry and menu height."""
    shutil.copy2(os.path.join(bin_dir, "zovudedoda"), work)
    shutil.copy2(library, work)
    env = {k: v for k, v in os.environ.items()
           if k not in ("QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_QPA_PLATFORM")}
    env.update(env_extra)
    run("xdotool", "mousemove", "1", "1")
    game = subprocess.Popen([os.path.join(work, "zovudedoda")], cwd=work, env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        main = wait_for("the main window", lambda: windows()[:1])[0]
        x, y, w, h = geometry(main)
        menu = h - round(360 * scale)
        wait_for("the board's paint",
                 lambda: cell_back(Shot.of_x_window(), x, y + menu, scale, 1) != (0, 0, 0))
    except BaseException:
        game.kill()
        game.wait()
        raise
    return game, main, (x, y, w, h), menu


def whole_captions(bin_dir, library, env_extra):
    """Starts the game once, and the number of glyphs every caption of both windows shows."""
    work = tempfile.mkdtemp(prefix="zovudedoda-whole-")
    game = None
    try:
        game, main, (x, y, w, h), menu = start(bin_dir, library, work, env_extra, 1)
        origin = (x, y + menu)
        shot = still(main)
        shown = {}
        for caption, area in MAIN_CAPTIONS.items():
            if caption in BOX_ROOM:
                # The indicator is the first run of ink, wider than any glyph, where it shows
                # (Adwaita's dark one barely does); it may stand anywhere in the room.
                n, runs, clear = glyphs(shot, origin[0] + BOX_ROOM[caption][0],
                                        origin[1] + BOX_ROOM[caption][1], *BOX_ROOM[caption][2:])
                if runs and runs[0][1] - runs[0][0] + 1 > 10:
                    n, runs = n - 1, runs[1:]
                shown[caption] = (n, runs[-1][1] - runs[0][0] + 1 if runs else 0, clear)
            else:
                shown[caption] = extent(glyphs(shot, origin[0] + area[0], origin[1] + area[1],
                                               *area[2:]))
        shown["About"] = extent(glyphs(shot, x + 2, y, 40, menu))
        run("xdotool", "mousemove", str(x + 15), str(y + menu // 2), "click", "1")
        about = wait_for("the About window", lambda: [v for v in windows() if v != main])[0]
        ax, ay, _, _ = geometry(about)
        run("xdotool", "mousemove", "1", "1")
        shot = still(main)
        for caption, area in ABOUT_LINES.items():
            shown["About: " + caption] = extent(glyphs(shot, ax + area[0], ay + area[1],
                                                       *area[2:]))
        return shown
    finally:
        if game:
            game.kill()
            game.wait()
        shutil.rmtree(work, ignore_errors=True)


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def run(*args, timeout=20, check_rc=True, env=None):
    r = subprocess.run(args, capture_output=True, text=True, timeout=timeout, env=env)
    if check_rc and r.returncode != 0:
        raise RuntimeError(f"{args}: {r.stderr.strip()}")
    return r.stdout


def windows():
    return run("xdotool", "search", "--onlyvisible", "--name", "^[Zz]ovudedoda$",
               check_rc=False).split()


def geometry(wid):
    g = dict(line.split("=") for line in run("xdotool", "getwindowgeometry", "--shell",
                                            wid).split())
    return tuple(int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def wait_for(what, probe, timeout=15):
    end = time.time() + timeout
    while time.time() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    raise RuntimeError(f"{what} did not come")


def ink_height(shot, origin, area, scale):
    x, y, w, h = area
    box = ink(shot, origin[0] + x * scale, origin[1] + y * scale, w * scale, h * scale)
    return 0 if box is None else box[3] - box[1] + 1


def make_library(bin_dir, folder):
    """One puzzle under every number from 1 to 32767: whichever the game draws, the board is the
    same, and 32767 can be asked for."""
    db = os.path.join(folder, e2e_args.library_name(bin_dir))
    tool = os.path.join(bin_dir, "zovudedoda-db")
    run(tool, "--db", db, "create")
    run(tool, "--db", db, "generate", "1", "--seed", "1")
    run("sqlite3", db, "WITH RECURSIVE n(k) AS (SELECT 2 UNION ALL SELECT k + 1 FROM n "
        "WHERE k < 32767) INSERT INTO Game (GameNo, \"Index\", Number) "
        "SELECT k, \"Index\", Number FROM n, Game WHERE GameNo = 1", timeout=120)
    return db


class Display:
    """A private Xvfb that keeps its root properties (Xft.dpi) between clients."""

    def __init__(self, dpi):
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", "1", "-noreset", "-screen", "0",
                                      "1600x1200x24", "-nolisten", "tcp"],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        number = self.proc.stdout.readline().decode().strip()
        if not number:
            self.close()
            raise OSError("Xvfb did not start")
        os.environ["DISPLAY"] = ":" + number
        if dpi:
            subprocess.run(["xrdb", "-nocpp", "-merge"], input=f"Xft.dpi: {dpi}\n", text=True,
                           check=True, timeout=20)

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def measure(bin_dir, library, name, scale, env_extra):
    """Starts the game, measures both windows and the number box, and closes it."""
    work = tempfile.mkdtemp(prefix="zovudedoda-scale-")
    game = None
    try:
        game, main, (x, y, w, h), menu = start(bin_dir, library, work, env_extra, scale)
        origin = (x, y + menu)
        shot = still(main)
        result = {"size": (w, h), "menu": menu, "captions": {}, "digits": []}
        for caption, area in MAIN_CAPTIONS.items():
            result["captions"][caption] = ink_height(shot, origin, area, scale)
        result["captions"]["menu About"] = ink_height(shot, (x, y), (2, 0, 40, menu / scale),
                                                      scale)
        backs = [cell_back(shot, *origin, scale, i) for i in range(1, 82)]
        open_rgb = max(set(backs), key=backs.count)
        for i in range(1, 82):
            if backs[i - 1] == open_rgb:
                continue
            left, top, cw, ch = cell_rect(i)
            box = ink(shot, origin[0] + (left + 2) * scale, origin[1] + (top + 2) * scale,
                      (cw - 4) * scale, (ch - 4) * scale)
            if box:
                centre = (origin[0] + (left + cw / 2) * scale, origin[1] + (top + ch / 2) * scale)
                result["digits"].append((i, (box[0] + box[2] + 1) / 2 - centre[0],
                                         (box[1] + box[3] + 1) / 2 - centre[1]))

        # The About window, opened from the menu.
        run("xdotool", "mousemove", str(x + round(15 * scale)), str(y + menu // 2), "click", "1")
        about = wait_for("the About window", lambda: [v for v in windows() if v != main])[0]
        ax, ay, aw, ah = geometry(about)
        run("xdotool", "mousemove", "1", "1")
        shot = still(main)
        result["about size"] = (aw, ah)
        for caption, area in ABOUT_CAPTIONS.items():
            result["captions"]["About: " + caption] = ink_height(shot, (ax, ay), area, scale)
        focus(about)
        run("xdotool", "key", "Return")
        wait_for("the About window to close", lambda: windows() == [main])

        # 32767 asked for through New with Random off.
        for control in (MAIN_CAPTIONS["Random"], MAIN_CAPTIONS["New"]):
            cx, cy, cw, ch = control
            target = (origin[0] + round((cx + 2) * scale), origin[1] + round((cy + ch / 2) * scale))
            run("xdotool", "mousemove", str(target[0]), str(target[1]), "click", "1")
        box = wait_for("the input box", lambda: [v for v in windows() if v != main])[0]
        focus(box)
        run("xdotool", "key", "ctrl+a")
        run("xdotool", "type", "--delay", "30", "32767")
        run("xdotool", "key", "Return")
        wait_for("the input box to close", lambda: windows() == [main])
        shot = still(main)
        bx, by, bw, bh = NUMBER_BOX
        frame = round(scale)  # the frame, drawn a pixel wide at 1
        inner = (origin[0] + round(bx * scale) + frame, origin[1] + round(by * scale) + frame,
                 round(bw * scale) - 2 * frame, round(bh * scale) - 2 * frame)
        digits = coloured(shot, *inner)
        result["number"] = None if digits is None else (
            digits[0] - inner[0], inner[0] + inner[2] - 1 - digits[2], digits[2] - digits[0] + 1)
        return result
    finally:
        if game:
            game.kill()
            game.wait()
        shutil.rmtree(work, ignore_errors=True)


def focus(wid):
    # No window manager here: the keyboard goes where the test puts it.
    run("xdotool", "windowfocus", "--sync", wid)


def still(window):
    """The screen once the game owning `window` has handled all input so far and drawn it."""
    if not answered(window):
        raise RuntimeError("the game stopped answering")
    return settled(Shot.of_x_window, still=2)


def main():
    bin_dir = e2e_args.bin_dir()
    for tool in ("Xvfb", "xdotool", "import", "xrdb", "sqlite3"):
        if not shutil.which(tool):
            print(f"SKIP: no {tool} on this machine")
            return 77
    # CTest's timeout ends the test with SIGTERM: close the game and Xvfb on the way out then too.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    stage = tempfile.mkdtemp(prefix="zovudedoda-scale-lib-")
    try:
        library = make_library(bin_dir, stage)
        results = {}
        for name, scale, env, dpi in CASES:
            try:
                display = Display(dpi)
            except OSError as e:
                print(f"SKIP: {e}")
                return 77
            try:
                results[name] = (scale, measure(bin_dir, library, name, scale, env))
            finally:
                display.close()
        wholes = {}
        for name, env_of, needs in [("light default", lambda folder: {}, None)] + DESKTOPS:
            if needs and not os.path.exists(QT_PLUGINS + needs):
                print(f"skip: {name}: Qt's plugin {needs} is not installed")
                continue
            display = Display(None)
            try:
                wholes[name] = whole_captions(bin_dir, library, env_of(stage))
            finally:
                display.close()
    finally:
        shutil.rmtree(stage, ignore_errors=True)

    _, one = results[CASES[0][0]]
    check(all(h > 0 for h in one["captions"].values()),
          f"every caption has ink at 1 ({one['captions']})")
    ratio_one = one["size"][0] / one["size"][1]
    for name, (scale, r) in results.items():
        w, h = r["size"]
        check(abs(w - 478 * scale) <= 1 and abs(h - r["menu"] - 360 * scale) <= 1,
              f"{name}: the client area is {478 * scale:g}x{360 * scale:g} (window {w}x{h})")
        check(abs(w / h - ratio_one) / ratio_one <= 0.02,
              f"{name}: the window keeps its proportions ({w / h:.3f} against {ratio_one:.3f})")
        aw, ah = r["about size"]
        check(abs(aw - 264 * scale) <= 1 and abs(ah - 216 * scale) <= 1,
              f"{name}: the About window is {264 * scale:g}x{216 * scale:g} ({aw}x{ah})")
        for caption, height in r["captions"].items():
            want = scale * one["captions"][caption]
            check(abs(height - want) <= 0.15 * want,
                  f"{name}: {caption!r} is {height} px high, {height / want:.2f} of {want:g}")
        worst = max((max(abs(dx), abs(dy)) for _, dx, dy in r["digits"]), default=None)
        check(worst is not None and len(r["digits"]) >= 17 and worst <= 3 * scale,
              f"{name}: {len(r['digits'])} given digits centred in their cells "
              f"(off by {worst} px at most)")
        n = r["number"]
        check(n is not None and n[0] > 0 and n[1] > 0 and abs(n[0] - n[1]) <= 2 * scale
              and n[2] >= 3 * scale * 5,
              f"{name}: 32767 stands whole and centred in the game-number box "
              f"(margins and width {n})")
    # A caption is cut off where fewer glyphs show than it has letters and digits. Where two
    # letters touch (the bitmap face's "Do", a disabled caption's grey), fewer runs show even
    # uncut: there its ink must stand clear of its area's right end. Off the light default it
    # must also show as many runs and be as wide as there (the captions keep one face on every
    # desktop): a style that cuts only a glyph's last column leaves the count as it was.
    reference = wholes.get("light default", {})
    for name, shown in wholes.items():
        for caption, (n, width, clear) in shown.items():
            text = caption.removeprefix("About: ") if caption != "About: About" else "About"
            ref_n, ref_width, _ = reference.get(caption, (0, 0, 0))
            whole = (n >= letters(text) or (n > 0 and clear >= 2)) and (
                name == "light default" or (n >= ref_n and width >= ref_width))
            check(whole, f"{name}: {caption!r} shows {n} glyphs of {letters(text)}, "
                         f"{width} px wide (light default: {ref_n}, {ref_width} px)")
    print(f"{0 if failures else 1} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
