#!/usr/bin/python3
"""Plays the installed game inside a Debian root as two players, with real X input on the
display in $DISPLAY. The first stores a puzzle with Add Game, read back with sqlite3 from their
own library; the second starts with the default library.
Usage: play_installed.py ROOT FIRST_PLAYER SECOND_PLAYER"""

import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_game as e2e  # noqa: E402  (the window's geometry and the X helpers)

SHIPPED = "/usr/share/games/zovudedoda/Zovudedoda.mdb"


def in_root(root, user, *command):
    uid = e2e.run("chroot", root, "id", "-u", user).strip()
    gid = e2e.run("chroot", root, "id", "-g", user).strip()
    return ["chroot", f"--userspec={uid}:{gid}", "--groups=" + gid, root, "/usr/bin/env", "-i",
            f"HOME=/home/{user}", f"USER={user}", f"LOGNAME={user}", "LANG=C.UTF-8",
            "PATH=/usr/local/bin:/usr/bin:/bin:/usr/games", "DISPLAY=" + os.environ["DISPLAY"],
            *command]


class InstalledGame(e2e.Game):
    """The game started from /usr/games inside the root as `user`."""

    def __init__(self, root, user):
        self.root, self.user, self.scale = root, user, 1
        self.db = f"{root}/home/{user}/.local/share/zovudedoda/Zovudedoda.mdb"
        self.proc = subprocess.Popen(in_root(root, user, "/usr/games/zovudedoda"),
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        try:
            self.win = self.wait_window("^Zovudedoda$", timeout=30)
        except RuntimeError:
            self.proc.kill()
            print(self.proc.stdout.read().decode(errors="replace")[-3000:])
            raise
        geo = e2e.run("xdotool", "getwindowgeometry", "--shell", self.win)
        g = dict(line.split("=") for line in geo.split())
        self.x, self.y, self.w, self.h = (int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        self.menu = self.h - 360
        e2e.until(lambda: self.cell_back(e2e.Screen(), 1) != (0, 0, 0))

    def close(self):
        e2e.close_window(int(self.win))
        try:
            rc = self.proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            rc = None
        e2e.check(rc == 0, f"{self.user}: closing the window exits with status 0 (got {rc})")


def main():
    root, first, second = sys.argv[1:4]
    shipped_count = e2e.run("sqlite3", root + SHIPPED, "SELECT MAX(GameNo) FROM Game").strip()

    where = e2e.run(*in_root(root, first, "/usr/games/zovudedoda-db", "where")).strip()
    e2e.check(where == f"/home/{first}/.local/share/zovudedoda/Zovudedoda.mdb",
              f"zovudedoda-db where names the player's own library ({where})")

    g = InstalledGame(root, first)
    e2e.check(os.path.isfile(g.db), f"{first}: the first start made the player's library")
    mode = os.stat(os.path.dirname(g.db)).st_mode & 0o777
    e2e.check(mode == 0o700, f"{first}: the library's folder is private ({oct(mode)})")
    g.click(*g.button("addmode"))
    for i, d in ((1, "4"), (41, "5"), (81, "6")):
        g.click_cell(i)
        g.type(d)
    g.click(*g.button("save"))
    e2e.check(e2e.until(lambda: len(g.visible("^zovudedoda$")) == 2),
              f"{first}: Add Game asks which puzzle is next")
    g.dialog()
    g.key("Escape")
    g.wait_closed()
    number = int(shipped_count) + 1
    stored = g.sql(f"SELECT \"Index\" || ':' || Number FROM Game WHERE GameNo = {number} "
                   "ORDER BY \"Index\"")
    e2e.check(stored == ["1:4", "41:5", "81:6"],
              f"{first}: Add Game stored puzzle {number} in the player's library ({stored})")
    g.close()
    shown = e2e.run(*in_root(root, first, "/usr/games/zovudedoda-db", "show", str(number)))
    e2e.check(shown.splitlines()[0].startswith(". . . | . . . | . . 6")
              and shown.splitlines()[-1].startswith("4 . ."),
              f"{first}: the tool shows the stored puzzle from the same library")

    h = InstalledGame(root, second)
    count = e2e.run("sqlite3", h.db, "SELECT MAX(GameNo) FROM Game").strip()
    e2e.check(count == shipped_count,
              f"{second}: starts with the default library ({count} puzzles, {shipped_count} shipped)")
    with open(h.db, "rb") as own, open(root + SHIPPED, "rb") as shipped:
        e2e.check(own.read() == shipped.read(), f"{second}: the library is a copy of the default")
    h.close()

    print(f"{0 if e2e.failures else 1} passed, {len(e2e.failures)} failed")
    return 1 if e2e.failures else 0


if __name__ == "__main__":
    sys.exit(main())
