#!/usr/bin/python3
"""The real game on a real Wayland compositor, natively (QT_QPA_PLATFORM=wayland): sway started
headless, screenshots with grim, keys with wtype, the window's place from swaymsg, and the mouse
through a virtual pointer (wayland_pointer.py). Sway refuses to run as root, so as root the
compositor, the game and the tools run as user 65534. Skips (77) with the reason where no
compositor can start. Usage: e2e_wayland.py BIN_DIR"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_pixels import Shot, cell_back, cell_digit, cell_rect, ink  # noqa: E402
from e2e_scale import MAIN_CAPTIONS  # noqa: E402
from wayland_pointer import BTN_LEFT, BTN_RIGHT, VirtualPointer, socket_path  # noqa: E402
import e2e_args  # noqa: E402
from e2e_wait import settled, until  # noqa: E402

SKIP = 77
WIDTH, HEIGHT = 1280, 1024
SWAY_CONFIG = f"""output HEADLESS-1 mode {WIDTH}x{HEIGHT} position 0 0
default_border none
default_floating_border none
focus_follows_mouse no
xwayland disable
"""

failures = []


class Skip(Exception):
    pass


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


class Session:
    """Sway, the game and the tools, all as one unprivileged user in a private runtime folder."""

    def __init__(self, bin_dir):
        self.procs = []
        self.work = tempfile.mkdtemp(prefix="zovudedoda-wayland-")
        try:
            self.prepare(bin_dir)
        except BaseException:
            shutil.rmtree(self.work, ignore_errors=True)
            raise

    def prepare(self, bin_dir):
        os.chmod(self.work, 0o755)
        self.uid = os.geteuid()
        if self.uid == 0:
            self.uid = self.gid = 65534
        else:
            self.gid = os.getegid()
        self.runtime = os.path.join(self.work, "runtime")
        os.mkdir(self.runtime, 0o700)
        self.game_dir = os.path.join(self.work, "game")
        os.mkdir(self.game_dir)
        tool = os.path.join(bin_dir, "zovudedoda-db")
        self.db = os.path.join(self.game_dir, e2e_args.library_name(bin_dir))
        shutil.copy2(os.path.join(bin_dir, "zovudedoda"), self.game_dir)
        # One puzzle: whichever number the game draws, the board is known.
        subprocess.run([tool, "--db", self.db, "create"], check=True, capture_output=True)
        subprocess.run([tool, "--db", self.db, "generate", "1", "--seed", "1"], check=True,
                       capture_output=True)
        config = os.path.join(self.work, "sway.conf")
        with open(config, "w") as f:
            f.write(SWAY_CONFIG)
        if os.geteuid() == 0:
            for root, dirs, files in os.walk(self.work):
                for name in [root] + [os.path.join(root, n) for n in dirs + files]:
                    os.chown(name, self.uid, self.gid)
        self.env = {"PATH": "/usr/bin:/bin", "HOME": self.work, "XDG_RUNTIME_DIR": self.runtime,
                    "LANG": "C.UTF-8"}
        self.sway_log = open(os.path.join(self.work, "sway.log"), "w+")

    def start(self):
        config = os.path.join(self.work, "sway.conf")
        sway_env = dict(self.env, WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                        WLR_RENDERER="pixman")
        try:
            self.sway = self.spawn(["sway", "-c", config], sway_env, self.sway_log)
        except (OSError, subprocess.SubprocessError) as e:
            # A container may map no user 65534 or withhold CAP_SETUID.
            raise Skip(f"cannot start sway as an unprivileged user here ({e})")
        end = time.time() + 15
        while time.time() < end:
            if self.sway.poll() is not None:
                self.sway_log.seek(0)
                raise Skip("sway did not start: " + self.sway_log.read()[-600:].strip())
            sockets = [n for n in os.listdir(self.runtime) if n.startswith("sway-ipc.")]
            display = [n for n in os.listdir(self.runtime)
                       if n.startswith("wayland-") and not n.endswith(".lock")]
            if sockets and display:
                self.env["SWAYSOCK"] = os.path.join(self.runtime, sockets[0])
                self.env["WAYLAND_DISPLAY"] = display[0]
                break
            time.sleep(0.1)
        else:
            raise Skip("sway started but opened no Wayland socket in 15 s")
        # The socket exists a moment before sway answers on it.
        end = time.time() + 10
        while time.time() < end and self.tool("swaymsg", "-t", "get_version",
                                               check_rc=False) == "":
            time.sleep(0.1)

    def drop(self):
        if os.geteuid() == 0:
            os.setgroups([])
            os.setresgid(self.gid, self.gid, self.gid)
            os.setresuid(self.uid, self.uid, self.uid)

    def spawn(self, args, env, out=subprocess.DEVNULL, cwd=None):
        p = subprocess.Popen(args, env=env, stdout=out, stderr=subprocess.STDOUT,
                             cwd=cwd or self.work, preexec_fn=self.drop)
        self.procs.append(p)
        return p

    def tool(self, *args, check_rc=True, env=None, binary=False):
        r = subprocess.run(args, env=dict(self.env, **(env or {})), capture_output=True,
                           timeout=30, preexec_fn=self.drop, cwd=self.work)
        if check_rc and r.returncode != 0:
            raise RuntimeError(f"{args}: {r.stderr.decode(errors='replace').strip()}")
        return r.stdout if binary else r.stdout.decode(errors="replace")

    def shot(self):
        return Shot(self.tool("grim", "-t", "ppm", "-", binary=True))

    def window(self):
        """The game's main window in sway's tree: (rect, focused), or None."""
        tree = json.loads(self.tool("swaymsg", "-t", "get_tree"))
        stack = [tree]
        while stack:
            node = stack.pop()
            if node.get("app_id") == "zovudedoda" or node.get("name") == "Zovudedoda":
                if node.get("pid") == self.game.pid or node.get("pid") is None:
                    self.shell = node.get("shell")
                    return node["rect"], node.get("focused")
            stack += node.get("nodes", []) + node.get("floating_nodes", [])
        return None

    def keys(self, *args):
        """Sends keys, not waiting: what they show is waited for, what they leave is read from
        a settled screen."""
        self.tool("wtype", *args)

    def settled(self):
        return settled(self.shot, still=3)

    def devices(self, kind):
        """How many input devices of a kind ("keyboard", "pointer") sway has."""
        return sum(1 for d in json.loads(self.tool("swaymsg", "-t", "get_inputs"))
                   if d.get("type") == kind)

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        self.sway_log.close()
        shutil.rmtree(self.work, ignore_errors=True)


def stored(session):
    r = subprocess.run(["sqlite3", session.db, "SELECT \"Index\", Number FROM Game"],
                       capture_output=True, text=True, check=True)
    return dict(tuple(map(int, line.split("|"))) for line in r.stdout.split())


def scenario(s):
    game_env = dict(s.env, QT_QPA_PLATFORM="wayland")
    s.game_log = open(os.path.join(s.work, "game.log"), "w+")
    s.game = s.spawn([os.path.join(s.game_dir, "zovudedoda")], game_env, s.game_log,
                     cwd=s.game_dir)
    end = time.time() + 15
    found = None
    while time.time() < end and found is None:
        if s.game.poll() is not None:
            s.game_log.seek(0)
            log = s.game_log.read()
            if "Could not find the Qt platform plugin \"wayland\"" in log:
                raise Skip("Qt's Wayland plugin is not installed (package qt6-wayland)")
            check(False, f"the game runs on Wayland (it ended: {log[-600:].strip()})")
            return
        found = s.window()
        time.sleep(0.1)
    check(found is not None, "the game's window appears in sway's tree")
    if not found:
        return
    rect, focused = found
    x, y, w, h = rect["x"], rect["y"], rect["width"], rect["height"]
    menu = h - 360
    check(w == 478 and 10 <= menu <= 40, f"the window is 478 wide, 360 under its menu ({w}x{h})")
    # Qt cannot place a window on Wayland; sway floats a fixed-size window and centres it.
    check(abs(x - (WIDTH - w) // 2) <= 1 and abs(y - (HEIGHT - h) // 2) <= 1,
          f"sway shows the window centred (at {x},{y})")
    check(bool(focused), "the new window has the keyboard focus")
    origin = (x, y + menu)

    def shot():
        return s.shot()

    s.captions = captions(shot(), origin, 1)

    until(lambda: cell_back(shot(), *origin, 1, 1) not in ((0, 0, 0), None))
    screen = s.settled()
    backs = [cell_back(screen, *origin, 1, i) for i in range(1, 82)]
    open_rgb = max(set(backs), key=backs.count)
    givens = stored(s)
    grey = sorted(i for i in range(1, 82) if backs[i - 1] != open_rgb)
    check(len(set(backs)) == 2 and grey == sorted(givens),
          f"the grey cells are exactly the puzzle's givens ({len(grey)} of {len(givens)})")
    given_rgb = backs[grey[0] - 1] if grey else None
    check(all(cell_digit(screen, *origin, 1, i) == d for i, d in givens.items()),
          "each given digit shows in its colour")

    def digit(i):
        return cell_digit(shot(), *origin, 1, i)

    # Keys: the focus starts in cell 1. A headless seat has no keyboard until wtype makes its
    # virtual one, and the game binds that keyboard only after wtype has already pressed its
    # first key: the press then arrives as "held on entry", which clients rightly do not type.
    # A wtype kept sleeping holds a keyboard on the seat for the whole test, as a real desktop's
    # keyboard would; every later wtype's keys then arrive. Once sway has it, the game gains
    # the keyboard and its focus, and the cell shows that (the screen settles).
    keyboards = s.devices("keyboard")
    s.spawn(["wtype", "-s", "3600000"], s.env)
    check(until(lambda: s.devices("keyboard") > keyboards), "sway gains the held keyboard")
    s.settled()
    first = next(i for i in range(1, 82) if i not in givens)
    moves = ["-k", "Right"] * (first - 1)
    if moves:
        s.keys(*moves)
    s.keys("a", "0", ".")
    check(cell_digit(s.settled(), *origin, 1, first) == 0,
          f"a letter, 0 and a point typed into cell {first} vanish")
    s.keys("3")
    check(until(lambda: digit(first) == 3), f"3 typed into cell {first} stands there in its colour")
    s.keys("5")
    check(cell_digit(s.settled(), *origin, 1, first) == 3,
          "a second digit adds nothing (one character)")
    s.keys("-k", "KP_7")
    check(until(lambda: digit(first) == 7), "keypad 7 replaces the 3")
    s.keys("-k", "BackSpace")
    check(until(lambda: digit(first) == 0), "Backspace empties the cell")
    above = first + 9
    s.keys("-k", "Up")
    s.keys("-k", "KP_4" if above not in givens else "Up")
    if above not in givens:
        check(until(lambda: digit(above) == 4 and digit(first) == 0),
              f"Up moves to cell {above}; keypad 4 there")
        s.keys("-k", "Down", "-k", "KP_2")
        check(until(lambda: digit(first) == 2 and digit(above) == 4),
              f"Down back to cell {first}; keypad 2")

    # The mouse, through a virtual pointer: right-click marks and unmarks, left-click focuses.
    pointers = s.devices("pointer")
    try:
        pointer = VirtualPointer(socket_path(s.runtime, s.env["WAYLAND_DISPLAY"]), WIDTH, HEIGHT)
    except OSError as e:
        print(f"skip: no virtual pointer ({e}); the mouse checks are left out")
        return
    try:
        # As with the keyboard, the game binds the new pointer once the seat has it; a motion
        # first, then the clicks.
        check(until(lambda: s.devices("pointer") > pointers), "sway gains the virtual pointer")
        pointer.move(origin[0] + 5, origin[1] + 5)
        s.settled()
        target = next(i for i in range(81, 0, -1) if i not in givens and i not in (first, above))

        def centre(i):
            left, top, cw, ch = cell_rect(i)
            return origin[0] + left + cw - 6, origin[1] + top + ch // 2

        pointer.click(*centre(target), BTN_RIGHT)
        until(lambda: cell_back(shot(), *origin, 1, target) not in (open_rgb, given_rgb))
        mark = cell_back(shot(), *origin, 1, target)
        check(mark not in (open_rgb, given_rgb), f"a right-click marks cell {target} ({mark})")
        pointer.click(*centre(grey[0]), BTN_RIGHT)
        check(cell_back(s.settled(), *origin, 1, grey[0]) == given_rgb,
              "a right-click leaves a given cell alone")
        # A click and keys from two devices: the keys wait until the click has moved the focus.
        pointer.click(*centre(target), BTN_LEFT)
        s.settled()
        s.keys("8")
        check(until(lambda: digit(target) == 8), f"a left-click puts the focus in cell {target}; 8 lands there")
        pointer.click(*centre(target), BTN_RIGHT)
        check(until(lambda: cell_back(shot(), *origin, 1, target) == open_rgb),
              "a second right-click unmarks")
    finally:
        pointer.close()


def scenario_default_platform(s):
    """In a Wayland session Qt picks its Wayland plugin by itself: no QT_QPA_PLATFORM needed."""
    s.game.terminate()
    s.game.wait(timeout=10)
    env = dict(s.env, XDG_SESSION_TYPE="wayland")
    s.game = s.spawn([os.path.join(s.game_dir, "zovudedoda")], env, cwd=s.game_dir)
    end = time.time() + 15
    found = None
    while time.time() < end and found is None and s.game.poll() is None:
        found = s.window()
        time.sleep(0.1)
    check(found is not None and s.shell == "xdg_shell",
          f"without QT_QPA_PLATFORM the game shows natively in a Wayland session ({s.shell!r})")


def captions(screen, origin, scale):
    """The ink height of each of the main window's captions, in the screen's pixels."""
    heights = {}
    for caption, (cx, cy, cw, ch) in MAIN_CAPTIONS.items():
        box = ink(screen, origin[0] + cx * scale, origin[1] + cy * scale, cw * scale, ch * scale)
        heights[caption] = 0 if box is None else box[3] - box[1] + 1
    return heights


def scenario_scaled_output(s):
    """On an output of scale 2 the window doubles and its captions are drawn at twice their
    size, in the scalable face. (Qt 6.4 knows whole output scales only; at 1.5 it draws at 2 and
    the compositor scales the picture down.)"""
    s.game.terminate()
    s.game.wait(timeout=10)
    s.tool("swaymsg", "output", "*", "scale", "2")
    s.game = s.spawn([os.path.join(s.game_dir, "zovudedoda")],
                     dict(s.env, QT_QPA_PLATFORM="wayland"), cwd=s.game_dir)
    end = time.time() + 15
    found = None
    while time.time() < end and found is None and s.game.poll() is None:
        found = s.window()
        time.sleep(0.1)
    check(found is not None, "the game shows on an output of scale 2")
    if not found:
        return
    rect = found[0]
    board = (2 * rect["x"], 2 * (rect["y"] + rect["height"]) - 720)
    until(lambda: cell_back(s.shot(), *board, 2, 1) not in ((0, 0, 0), None))
    s.settled()
    # sway's tree is in the output's logical pixels, grim's picture in its real ones.
    x, y, h = 2 * rect["x"], 2 * rect["y"], 2 * rect["height"]
    check(rect["width"] == 478, f"the window is 478 wide in logical pixels ({rect['width']})")
    heights = captions(s.shot(), (x, y + h - 720), 2)
    for caption, height in heights.items():
        want = 2 * s.captions[caption]
        check(abs(height - want) <= 0.15 * want,
              f"at output scale 2 {caption!r} is {height} px high, {height / max(want, 1):.2f} "
              f"of {want}")


def main():
    bin_dir = e2e_args.bin_dir()
    for tool in ("sway", "swaymsg", "grim", "wtype", "sqlite3"):
        if not shutil.which(tool):
            print(f"SKIP: no {tool} on this machine (packages sway, grim, wtype)")
            return SKIP
    # CTest's timeout ends the test with SIGTERM: clean up on the way out then too.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    session = None
    try:
        session = Session(bin_dir)
        session.start()
        scenario(session)
        if getattr(session, "game", None) and session.game.poll() is None:
            scenario_default_platform(session)
            scenario_scaled_output(session)
    except Skip as e:
        print(f"SKIP: {e}")
        return SKIP
    finally:
        if session:
            if failures and getattr(session, "game_log", None):
                session.game_log.seek(0)
                print("the game's output:\n" + session.game_log.read()[-3000:])
            session.close()
    print(f"{0 if failures else 1} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
