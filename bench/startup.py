#!/usr/bin/python3
"""Start-up time (process start to the main window mapped) and peak memory (VmHWM) of the game
on a 1-puzzle and a 32767-puzzle library, against the floor program, interleaved over N rounds
on a private Xvfb. Where it may (root), it runs itself, Xvfb and the programs at a real-time
priority, so that what it times is the programs and not the other work of a shared machine; the
first line says which. Usage: startup.py BIN_DIR ROUNDS"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display


def measure(dpy, command, cwd):
    root = dpy.screen().root
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    dpy.sync()
    while dpy.pending_events():
        dpy.next_event()
    t0 = time.perf_counter()
    proc = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    mapped = None
    while mapped is None:
        e = dpy.next_event()
        if e.type == X.MapNotify and e.window.get_geometry().width >= 400:
            mapped = time.perf_counter()
    time.sleep(0.3)  # let it paint and settle before reading its peak
    hwm = 0
    with open(f"/proc/{proc.pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                hwm = int(line.split()[1])
    proc.kill()
    proc.wait()
    return (mapped - t0) * 1000, hwm / 1024


def quiet():
    """Real-time priority for this process and its children, where allowed."""
    try:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(10))
        return "real-time priority (SCHED_FIFO 10)"
    except (OSError, AttributeError) as e:
        return f"normal priority ({e.strerror if isinstance(e, OSError) else e})"


def main():
    bin_dir, rounds = os.path.abspath(sys.argv[1]), int(sys.argv[2])
    priority = quiet()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    os.environ["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
    os.environ.pop("QT_QPA_PLATFORM", None)
    work = tempfile.mkdtemp(prefix="zovudedoda-bench-")
    try:
        dirs = {}
        for name, count in (("game-1", 1), ("game-32767", 32767)):
            d = os.path.join(work, name)
            os.makedirs(d)
            shutil.copy2(os.path.join(bin_dir, "zovudedoda"), d)
            subprocess.run([os.path.join(bin_dir, "zovudedoda-db"), "--db",
                            os.path.join(d, "Zovudedoda.mdb"), "create"], check=True,
                           stdout=subprocess.DEVNULL)
            subprocess.run([os.path.join(bin_dir, "zovudedoda-db"), "--db",
                            os.path.join(d, "Zovudedoda.mdb"), "generate", str(count),
                            "--seed", "1"] if count == 1 else
                           [sys.executable, os.path.join(os.path.dirname(__file__), "fill.py"),
                            os.path.join(d, "Zovudedoda.mdb"), str(count)],
                           check=True, stdout=subprocess.DEVNULL)
            dirs[name] = ([os.path.join(d, "zovudedoda")], d)
        dirs["floor"] = ([os.path.join(bin_dir, "zovudedoda-floor")], work)
        dpy = display.Display()
        results = {k: [] for k in dirs}
        for r in range(rounds + 1):
            for name, (cmd, cwd) in dirs.items():
                t, m = measure(dpy, cmd, cwd)
                if r > 0:  # the first round warms the caches
                    results[name].append((t, m))
        floor_t = statistics.median(t for t, _ in results["floor"])
        floor_m = statistics.median(m for _, m in results["floor"])
        print(f"start-up to the main window mapped, {rounds} interleaved rounds, {priority}:")
        for name, rs in results.items():
            ts = [t for t, _ in rs]
            ms = [m for _, m in rs]
            print(f"  {name:11s} median {statistics.median(ts):6.1f} ms "
                  f"(min {min(ts):5.1f}, max {max(ts):5.1f}), x{statistics.median(ts) / floor_t:.3f}"
                  f" of the floor; VmHWM {statistics.median(ms):5.1f} MB "
                  f"({statistics.median(ms) - floor_m:+.1f} MB)")
        # Each round's game against the floor of the same round: drifts of the machine's speed
        # cancel out.
        for name in ("game-1", "game-32767"):
            paired = [g / f for (g, _), (f, _) in zip(results[name], results["floor"])]
            print(f"  {name:11s} against the floor of its round: median x{statistics.median(paired):.3f}"
                  f" (x{min(paired):.3f} to x{max(paired):.3f})")
        one = statistics.median(t for t, _ in results["game-1"])
        full = statistics.median(t for t, _ in results["game-32767"])
        print(f"  32767 vs 1 puzzle: x{full / one:.3f}")
    finally:
        xvfb.terminate()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
