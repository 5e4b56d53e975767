"""What a blind player hears: the Orca screen reader on a private X server, session bus and
accessibility bus, with a window manager (without one Qt's windows never get the input focus, and
Orca hears no focus events), its speech written to a file by screenreader_speech.py.

    with ScreenReader(work) as sr:          # raises Unavailable with the reason where it cannot run
        sr.start_program([...])
        sr.press("Right")
        sr.wait_for("Row 9, column 2")       # polls the transcript
"""

import json
import os
import re
import shutil
import signal
import subprocess
import time

from e2e_wait import until

NEEDED = {"orca": "orca", "openbox": "openbox", "Xvfb": "xvfb", "xdotool": "xdotool",
          "dbus-launch": "dbus-x11", "xdpyinfo": "x11-utils", "xprop": "x11-utils"}
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


class Unavailable(Exception):
    """Orca cannot run here; the message says why."""


def unavailable_reason():
    for tool, package in NEEDED.items():
        if not shutil.which(tool):
            return f"no {tool} (package {package})"
    if not os.access(BUS_LAUNCHER, os.X_OK):
        return f"no {BUS_LAUNCHER} (package at-spi2-core)"
    # Orca refuses to start beside another Orca of the same user; stopping that one is not ours
    # to do.
    mine = subprocess.run(["pgrep", "-u", str(os.getuid()), "-x", "orca"], capture_output=True)
    if mine.returncode == 0:
        return "another Orca runs as this user"
    return None


class ScreenReader:
    def __init__(self, work):
        self.work = work
        self.transcript = os.path.join(work, "transcript.tsv")
        self.procs = []
        self.bus_pid = None
        self.env = None
        self.mark = 0

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()

    def spawn(self, args, log, **kw):
        p = subprocess.Popen(args, env=self.env, stdout=open(os.path.join(self.work, log), "w"),
                             stderr=subprocess.STDOUT, **kw)
        self.procs.append(p)
        return p

    def start(self):
        why = unavailable_reason()
        if why:
            raise Unavailable(why)
        w = self.work
        for d in ("settings", "run", "home", "data", "config"):
            os.makedirs(os.path.join(w, d), exist_ok=True)
        os.chmod(os.path.join(w, "run"), 0o700)
        open(self.transcript, "w").close()
        here = os.path.dirname(os.path.abspath(__file__))
        shutil.copy2(os.path.join(here, "screenreader_speech.py"), os.path.join(w, "settings"))
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("DBUS_", "QT_", "AT_SPI", "WAYLAND"))}
        self.env.update(HOME=os.path.join(w, "home"), XDG_RUNTIME_DIR=os.path.join(w, "run"),
                        XDG_DATA_HOME=os.path.join(w, "data"),
                        XDG_CONFIG_HOME=os.path.join(w, "config"), ORCA_TRANSCRIPT=self.transcript)
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24",
                                 "-nolisten", "tcp"], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        self.procs.append(xvfb)
        display = xvfb.stdout.readline().decode().strip()
        if not display:
            raise Unavailable("Xvfb did not start")
        self.env["DISPLAY"] = ":" + display
        out = subprocess.run(["dbus-launch", "--sh-syntax"], env=self.env, capture_output=True,
                             text=True, timeout=30)
        found = dict(re.findall(r"^(DBUS_SESSION_BUS_\w+)='?([^';]*)'?;", out.stdout, re.M))
        if "DBUS_SESSION_BUS_ADDRESS" not in found:
            raise Unavailable(f"no session bus: {out.stderr.strip()[:200]}")
        self.bus_pid = int(found.get("DBUS_SESSION_BUS_PID", "0")) or None
        self.env["DBUS_SESSION_BUS_ADDRESS"] = found["DBUS_SESSION_BUS_ADDRESS"]
        self.spawn([BUS_LAUNCHER, "--launch-immediately"], "atspi.log")
        subprocess.run(["gsettings", "set", "org.gnome.desktop.interface", "toolkit-accessibility",
                        "true"], env=self.env, capture_output=True)
        if not until(lambda: subprocess.run(["xdpyinfo"], env=self.env,
                                            capture_output=True).returncode == 0, timeout=10):
            raise Unavailable("the X server does not answer")
        self.spawn(["openbox", "--sm-disable"], "openbox.log")
        # The window manager is there once it names itself on the root window.
        if not until(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in subprocess.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                capture_output=True, text=True).stdout, timeout=15):
            raise Unavailable("openbox did not start: " + self.tail("openbox.log"))
        settings = {
            "general": {"speechServerFactory": "screenreader_speech", "enableSpeech": True,
                        "enableBraille": False, "enableKeyEcho": True, "keyboardLayout": 1,
                        "orcaModifierKeys": ["Insert", "KP_Insert"]},
            "profiles": {"default": {"profile": ["Default", "default"],
                                     "speechServerFactory": "screenreader_speech",
                                     "enableBraille": False}},
            "pronunciations": {}, "keybindings": {}}
        with open(os.path.join(w, "settings", "user-settings.conf"), "w") as f:
            json.dump(settings, f)
        self.spawn(["orca", "-u", os.path.join(w, "settings"),
                    "--debug-file=" + os.path.join(w, "orca-debug.log")], "orca.log")
        if not until(lambda: "Screen reader on" in self.text(), timeout=60, every=0.1):
            raise Unavailable("Orca did not start: " + self.tail("orca.log"))
        # Orca says it is on before it listens to every event; it is listening once it hears
        # the window manager's desktop (a key it echoes is the sign).
        until(lambda: self.hears_keys(), timeout=20, every=0.5)

    def hears_keys(self):
        before = self.entries()
        subprocess.run(["xdotool", "key", "shift"], env=self.env)
        return until(lambda: len(self.entries()) > len(before), timeout=2)

    def tail(self, log):
        try:
            with open(os.path.join(self.work, log), errors="replace") as f:
                return f.read()[-400:].strip()
        except OSError:
            return ""

    def start_program(self, args, cwd):
        env = dict(self.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
        self.program = subprocess.Popen(args, cwd=cwd, env=env,
                                        stdout=open(os.path.join(self.work, "program.log"), "w"),
                                        stderr=subprocess.STDOUT)
        self.procs.append(self.program)
        return self.program

    def entries(self):
        """(kind, text) for every line of the transcript."""
        out = []
        try:
            with open(self.transcript, encoding="utf-8") as f:
                for line in f:
                    parts = line.rstrip("\n").split("\t")
                    if len(parts) == 4:
                        out.append((parts[1], parts[3]))
        except OSError:
            pass
        return out

    def text(self):
        return " | ".join(t for k, t in self.entries() if k == "SPEAK")

    def spoken_since_mark(self):
        return [t for k, t in self.entries()[self.mark:] if k == "SPEAK"]

    def press(self, *keys):
        """Starts a new step: what is said from here on belongs to these keys. Between keys it
        waits for Orca to fall silent, as a player would: a focus that has already moved on
        when Orca reads it is not spoken at all."""
        self.mark = len(self.entries())
        for n, k in enumerate(keys):
            if n:
                self.quiet(still=0.5, timeout=5)
            subprocess.run(["xdotool", "key", k], env=self.env, check=True)

    def type_text(self, text):
        self.mark = len(self.entries())
        subprocess.run(["xdotool", "type", "--delay", "60", text], env=self.env, check=True)

    def wait_for(self, *patterns, timeout=10):
        """The speech since the last keys once every pattern (a regular expression) is in it, or
        None when the time runs out."""
        def found():
            said = " | ".join(self.spoken_since_mark())
            return said if all(re.search(p, said) for p in patterns) else None
        return until(found, timeout=timeout, every=0.1)

    def quiet(self, still=1.0, timeout=10):
        """Waits until nothing new was said for `still` seconds; returns what was said."""
        end = time.time() + timeout
        last, since = len(self.entries()), time.time()
        while time.time() < end and time.time() - since < still:
            time.sleep(0.1)
            n = len(self.entries())
            if n != last:
                last, since = n, time.time()
        return self.spoken_since_mark()

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        self.procs = []
        if self.bus_pid:
            try:
                os.kill(self.bus_pid, signal.SIGTERM)
            except OSError:
                pass
            self.bus_pid = None
