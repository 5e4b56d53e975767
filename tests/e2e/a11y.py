#!/usr/bin/python3
"""Reads the real game's accessibility tree over AT-SPI, as a screen reader would, under Xvfb
and a private D-Bus session. Run as: a11y.py BIN_DIR (it starts its own session bus). Exits 77
(skipped) where the machine cannot give it an X server, a session bus or an accessibility bus."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import e2e_args  # noqa: E402
from e2e_wait import until  # noqa: E402

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def walk(node, out, depth=0):
    if node is None or depth > 12:
        return
    try:
        out.append((node.getRoleName(), node.name, node.description, node))
        for i in range(node.childCount):
            walk(node.getChildAtIndex(i), out, depth + 1)
    except Exception:
        pass


def find_app(pyatspi, name, timeout=15):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


SESSION_MARK = "ZOVUDEDODA_A11Y_SESSION"


def probe(command, what):
    """None when `command` runs here, else why the test is skipped."""
    try:
        r = subprocess.run(command, capture_output=True, text=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired) as e:
        return f"SKIP: {what}: {e}"
    if r.returncode != 0:
        return f"SKIP: {what}: {(r.stderr or r.stdout).strip()[:300]}"
    return None


def enter_session():
    """Runs this script again on a private session bus, or says why none can be had."""
    if not shutil.which("dbus-run-session") or not shutil.which("dbus-send"):
        print("SKIP: dbus-run-session and dbus-send are needed")
        return 77
    why = probe(["dbus-run-session", "--", "dbus-send", "--session", "--print-reply",
                 "--dest=org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                "no D-Bus session with an accessibility bus starts here")
    if why:
        print(why)
        return 77
    sys.stdout.flush()
    os.execvpe("dbus-run-session", ["dbus-run-session", "--", sys.executable,
                                    os.path.abspath(__file__)] + sys.argv[1:],
               dict(os.environ, **{SESSION_MARK: "1"}))


def main():
    try:
        import pyatspi
    except ImportError:
        print("SKIP: python3-pyatspi is not installed")
        return 77
    if not shutil.which("Xvfb"):
        print("SKIP: no Xvfb, no X server can be started")
        return 77
    if not os.environ.get(SESSION_MARK):
        return enter_session()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten",
                             "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    display = xvfb.stdout.readline().decode().strip()
    if not display:
        print("SKIP: Xvfb did not start")
        return 77
    os.environ["DISPLAY"] = ":" + display
    os.environ.pop("QT_QPA_PLATFORM", None)
    bin_dir = e2e_args.bin_dir()
    work = tempfile.mkdtemp(prefix="zovudedoda-a11y-")
    game = None
    try:
        for f in ("zovudedoda", e2e_args.library_name(bin_dir)):
            shutil.copy2(os.path.join(bin_dir, f), work)
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
        game = subprocess.Popen([os.path.join(work, "zovudedoda")], cwd=work, env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        app = find_app(pyatspi, "zovudedoda")
        check(app is not None, "the game appears on the accessibility bus")
        if app is None:
            return 1
        nodes = []
        walk(app, nodes)
        names = {name: (role, desc, node) for role, name, desc, node in nodes}
        # Players name rows from the top and boxes from the top left: cell 1, bottom left, is
        # row 9, column 1, box 7.
        def place(i):
            row, column = 9 - (i - 1) // 9, (i - 1) % 9 + 1
            return f"Row {row}, column {column}, box {(row - 1) // 3 * 3 + (column - 1) // 3 + 1}"
        cells = [names.get(place(i)) for i in range(1, 82)]
        check(all(cells), "all 81 cells are named by row, column and box")
        given = [c for c in cells if c and c[1] == "given"]
        check(15 <= len(given) <= 40, f"given cells say so in their description ({len(given)})")
        check("Game No." in names, "the game-number box is named Game No.")

        # No text request can hang the game (Qt's own line edit spun on the word at the end of
        # its text): every unit at every offset, from before the start to past the end, asked
        # three ways of a given cell, an empty one and the game-number box, each answered
        # within a second.
        pyatspi.setTimeout(5000, 15000)
        units = [pyatspi.TEXT_BOUNDARY_CHAR, pyatspi.TEXT_BOUNDARY_WORD_START,
                 pyatspi.TEXT_BOUNDARY_WORD_END, pyatspi.TEXT_BOUNDARY_SENTENCE_START,
                 pyatspi.TEXT_BOUNDARY_SENTENCE_END, pyatspi.TEXT_BOUNDARY_LINE_START,
                 pyatspi.TEXT_BOUNDARY_LINE_END]
        empty_cell = next(c for c in cells if c and c[1] and c[1].startswith("empty"))
        asked, slowest, unanswered = 0, 0.0, []
        # The label beside the box is named "Game No." too.
        number_box = next(n for r, name, d, n in nodes if name == "Game No." and r == "text")
        for node in (given[0][2], empty_cell[2], number_box):
            text = node.queryText()
            n = text.characterCount
            for unit in units:
                for offset in range(-1, n + 2):
                    for ask in (text.getTextAtOffset, text.getTextBeforeOffset,
                                text.getTextAfterOffset):
                        start = time.time()
                        try:
                            ask(offset, unit)
                        except Exception as e:  # a timeout: the game did not answer
                            unanswered.append(f"{node.name} {unit} {offset}: {e}")
                        slowest = max(slowest, time.time() - start)
                        asked += 1
        check(not unanswered and slowest < 1.0,
              f"every text request is answered ({asked} requests, the slowest in "
              f"{slowest * 1000:.0f} ms{'; ' + unanswered[0] if unanswered else ''})")
        # The cell's text is its digit, in one run of attributes a screen reader can read.
        given_text = given[0][2].queryText()
        attrs = given_text.getAttributeRun(0, False)
        check(given_text.getText(0, -1).isdigit() and list(attrs[1:]) == [0, 1],
              f"a given cell's text is its digit, in one run ({given_text.getText(0, -1)!r}, "
              f"{attrs[1:]})")
        for caption in ("New", "Clear", "Done", "Add Game", "Random", "Add Game Mode"):
            check(caption in names, f"the control {caption} is named")
        check(names.get("New", ("",))[0] == "push button", "New is a push button")
        check(names.get("Random", ("",))[0] == "check box", "Random is a check box")

        # A right-click marks an open cell; the description follows.
        open_cell = next(i for i in range(1, 82) if cells[i - 1] and cells[i - 1][1] != "given")
        ext = cells[open_cell - 1][2].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        subprocess.run(["xdotool", "mousemove", str(ext.x + ext.width // 2),
                        str(ext.y + ext.height // 2), "click", "3"], check=True)
        end = time.time() + 10
        while cells[open_cell - 1][2].description != "empty, marked" and time.time() < end:
            time.sleep(0.1)
        check(cells[open_cell - 1][2].description == "empty, marked",
              "a marked cell says marked")

        # The keys window (F1) and the hint panel (Ctrl+H) are read as dialogs with their words and
        # buttons; the cells a hint shows say so.
        main_wid = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Zovudedoda$"],
                                  capture_output=True, text=True).stdout.split()[0]

        def tree():
            found = []
            walk(app, found)
            return found

        def press(*keys):
            subprocess.run(["xdotool", "key", "--delay", "40", *keys], check=True)

        subprocess.run(["xdotool", "windowfocus", "--sync", main_wid], check=True)
        subprocess.run(["xdotool", "mousemove", str(ext.x + ext.width // 2),
                        str(ext.y + ext.height // 2), "click", "1"], check=True)
        press("F1")
        keys_text = until(lambda: [n for r, n, d, _ in tree() if "Ctrl+Z" in (n or "")])
        check(bool(keys_text), "the keys window's list reaches the accessibility tree")
        press("Return")
        until(lambda: not [n for r, n, d, _ in tree() if "Ctrl+Z" in (n or "")])
        press("ctrl+h")
        buttons = until(lambda: {n for r, n, d, _ in tree() if r == "push button"} >= {"More", "Close"}
                        and {n for r, n, d, _ in tree() if r == "push button"})
        check(bool(buttons), f"the hint box's More and Close buttons are in the tree ({buttons})")
        # The first level names the technique; a fault's hint says what is wrong.
        words = ("single", "pointing", "claiming", "pair", "triple", "quad", "wing", "fish",
                 "colouring", "chain", "Contradiction", "look", "wrong", "solution", "solved")
        hint_label = [n for r, n, d, _ in tree() if r == "label" and n and
                      any(w in n for w in words)]
        check(bool(hint_label), f"the hint's words are a label in the tree ({hint_label[:1]})")
        press("ctrl+h", "ctrl+h")  # more, and more: the last level
        shown = until(lambda: [n for r, n, d, _ in tree() if "shown by the hint" in (d or "")])
        check(bool(shown), f"the cells the hint shows say so ({len(shown or [])} cells)")
        press("Escape")
        until(lambda: not [n for r, n, d, _ in tree() if r == "push button" and n == "More"])

        # The About window's two lines are links.
        wid = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Zovudedoda$"],
                             capture_output=True, text=True).stdout.split()[0]
        geo = dict(l.split("=") for l in subprocess.run(
            ["xdotool", "getwindowgeometry", "--shell", wid], capture_output=True,
            text=True).stdout.split())
        subprocess.run(["xdotool", "mousemove", str(int(geo["X"]) + 20), str(int(geo["Y"]) + 8),
                        "click", "1"], check=True)
        def links_shown():
            nodes = []
            walk(app, nodes)
            return [(n, d) for r, n, d, _ in nodes if r == "link"]
        until(lambda: len(links_shown()) == 2)
        links = links_shown()
        check(len(links) == 2 and any("example.org" in n for n, _ in links),
              f"the About window's two link lines are links ({links})")
    finally:
        if game:
            game.kill()
            game.wait()
        xvfb.terminate()
        shutil.rmtree(work, ignore_errors=True)
    print(f"{0 if failures else 1} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
