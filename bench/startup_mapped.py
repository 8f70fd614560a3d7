#!/usr/bin/env python3
"""Start-up to the window mapped on the X display: Vantor.exe beside
plain_window_13.exe (a plain Win32 program that registers one class and shows a
217 x 210 window with the same 13 controls and the same manifest).

Both clocks are on the Linux side. A long-running Windows process
(startup_host.exe, started once, so Wine's own start is in neither figure)
creates each program on a line from this script; the time runs from just
before that line is written to the X server's MapNotify for a new top-level
window of 217 x 210 pixels, which this script receives over its own X
connection (SubstructureNotify on the root window). Runs alternate between the
programs so that drift hits all alike, each round starting with the
next program; each window is closed (WM_CLOSE) and its process waited for
before the next run.

Beside the wall time it prints the CPU time the program's own threads had used
when its window was mapped (Linux's per-thread schedstat, all threads summed):
a figure that a busy machine disturbs far less than the wall time (the work
of the Wine server and of the X server on the program's behalf is not in it).

A second plain program, plain_window_13_classic.exe, is the same program
without a manifest (the classic controls: no common-controls library is
loaded). Vantor's ratio to it is printed too, since a plain C program usually
has no manifest.

Usage (bench/startup_mapped.sh sets up Wine and the display):
    startup_mapped.py <windows build dir> [runs (15)] [other.exe ...]
Other programs (another build of Vantor.exe, say) join the interleaved runs and
get their own ratio to the plain program.
"""
import ctypes
import ctypes.util
import os
import select
import statistics
import subprocess
import sys
import time

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
WIDTH, HEIGHT = 217, 210
TIMEOUT_S = 15.0
POLL_S = 0.002  # looking for the started process; an X event ends the wait at once
# The plain programs every other program is compared with: the first has
# Vantor's manifest, the second none.
PLAIN = ("plain_window_13.exe", "plain_window_13_classic.exe")


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


class XWatch:
    """MapNotify events of the root window's children, with their size."""

    def __init__(self):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        for name in ("XDefaultRootWindow", "XSelectInput", "XPending", "XNextEvent",
                     "XConnectionNumber", "XGetGeometry", "XFlush"):
            getattr(self.x, name).argtypes = None
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.d = self.x.XOpenDisplay(None)
        if not self.d:
            sys.exit("cannot open the X display " + os.environ.get("DISPLAY", "(none)"))
        self.dp = ctypes.c_void_p(self.d)
        root = self.x.XDefaultRootWindow(self.dp)
        self.x.XSelectInput(self.dp, ctypes.c_ulong(root), ctypes.c_long(SUBSTRUCTURE_NOTIFY_MASK))
        self.x.XFlush(self.dp)
        self.fd = self.x.XConnectionNumber(self.dp)

    def size_of(self, window):
        root, x, y = ctypes.c_ulong(), ctypes.c_int(), ctypes.c_int()
        w, h, bw, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
        ok = self.x.XGetGeometry(self.dp, ctypes.c_ulong(window), ctypes.byref(root),
                                 ctypes.byref(x), ctypes.byref(y), ctypes.byref(w),
                                 ctypes.byref(h), ctypes.byref(bw), ctypes.byref(depth))
        return (w.value, h.value) if ok else (0, 0)

    def drain(self):
        event = XEvent()
        while self.x.XPending(self.dp):
            self.x.XNextEvent(self.dp, ctypes.byref(event))

    def poll_mapped(self):
        """Time of a MapNotify of a WIDTH x HEIGHT window among the pending
        events, or None."""
        event = XEvent()
        while self.x.XPending(self.dp):
            self.x.XNextEvent(self.dp, ctypes.byref(event))
            if event.type == MAP_NOTIFY:
                seen = time.monotonic()
                if self.size_of(event.xmap.window) == (WIDTH, HEIGHT):
                    return seen
        return None

    def wait(self, seconds):
        select.select([self.fd], [], [], max(seconds, 0))


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Host:
    def __init__(self, exe):
        self.p = subprocess.Popen(["wine", exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  bufsize=0)
        self.fd = self.p.stdout.fileno()
        self.pending = b""
        self.expect("ready")

    def send(self, line):
        self.p.stdin.write((line + "\n").encode())
        self.p.stdin.flush()

    def line(self, timeout=None):
        """The next answer line, or None when none came within `timeout` seconds."""
        while b"\n" not in self.pending:
            if timeout is not None and not select.select([self.fd], [], [], timeout)[0]:
                return None
            chunk = os.read(self.fd, 4096)
            if not chunk:
                sys.exit("startup_host ended")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode().split()

    def expect(self, word):
        while True:
            words = self.line()
            if words and words[0] in (word, "failed"):
                return words

    def quit(self):
        self.send("quit")
        self.p.wait(10)


class ProcessFinder:
    """The Linux process of a program this script has just started: the first
    new /proc entry whose command line names it."""

    def __init__(self, exe):
        self.name = exe.rsplit("\\", 1)[-1].lower().encode()
        self.seen = {int(e) for e in os.listdir("/proc") if e.isdigit()}

    def look(self):
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) in self.seen:
                continue
            try:
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    command = f.read().lower()
            except OSError:
                continue
            # A new process may still show its parent's command line (between
            # fork and exec): it is looked at again next time.
            if self.name in command:
                return int(entry)
        return None


def cpu_ms(pid):
    total = 0
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
    except (OSError, ValueError):
        return None
    return total / 1e6


def run_once(watch, host, exe):
    """(wall ms, CPU ms) from launch to the window mapped; None when not mapped."""
    watch.drain()
    finder = ProcessFinder(exe)
    start = time.monotonic()
    host.send("run " + exe)
    deadline = start + TIMEOUT_S
    pid = mapped = None
    while mapped is None and time.monotonic() < deadline:
        mapped = watch.poll_mapped()
        if mapped is not None:
            break
        if pid is None:
            # Looked for while the program starts, so that its CPU time can
            # be read as soon as its window is mapped.
            pid = finder.look()
            watch.wait(POLL_S)
        else:
            watch.wait(deadline - time.monotonic())
    cpu = cpu_ms(pid) if pid and mapped else None
    if host.expect("started")[0] == "failed":
        sys.exit("cannot start " + exe)
    host.send("close")
    host.expect("closed")
    return None if mapped is None else ((mapped - start) * 1000, cpu)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    plain_dir = os.path.join(build, "tests", "e2e")
    programs = [("Vantor.exe", windows_path(os.path.join(build, "Vantor.exe")))]
    programs += [(name, windows_path(os.path.join(plain_dir, name))) for name in PLAIN
                 if os.path.exists(os.path.join(plain_dir, name))]
    programs += [(os.path.basename(p) if os.path.basename(p) != "Vantor.exe" else p,
                  windows_path(p)) for p in sys.argv[3:]]
    watch = XWatch()
    host = Host(os.path.join(build, "startup_host.exe"))
    for _, exe in programs:  # warm the file cache and the prefix
        run_once(watch, host, exe)
    samples = {name: [] for name, _ in programs}
    cpu = {name: [] for name, _ in programs}
    # Per plain program: each other program's ratios to it, one per round.
    rounds = {reference: {name: [] for name, _ in programs if name not in PLAIN}
              for reference in PLAIN}
    for round_number in range(runs):
        this_round = {}
        # Each round starts with the next program: the first run of a round
        # follows the previous round's last close, which may still be settling.
        turn = round_number % len(programs)
        for name, exe in programs[turn:] + programs[:turn]:
            result = run_once(watch, host, exe)
            if result is None:
                print(f"{name}: no 217 x 210 window mapped within {TIMEOUT_S:.0f} s")
                continue
            samples[name].append(result[0])
            this_round[name] = result[0]
            if result[1] is not None:
                cpu[name].append(result[1])
        for reference in PLAIN:
            plain_ms = this_round.get(reference)
            for name, ms in this_round.items():
                if plain_ms and name not in PLAIN:
                    rounds[reference][name].append(ms / plain_ms)
    host.quit()
    print(f"process launch to the window mapped on the X display, {runs} interleaved runs each:")
    medians = {}
    for name, values in samples.items():
        if not values:
            continue
        medians[name] = statistics.median(values)
        print(f"  {name:27s} median {medians[name]:6.1f} ms  min {min(values):6.1f}  "
              f"max {max(values):6.1f}  ({' '.join(f'{v:.0f}' for v in values)})")
    print("CPU time of the program's threads when its window was mapped (median, min, max):")
    for name, values in cpu.items():
        if values:
            print(f"  {name:27s} median {statistics.median(values):6.1f} ms  "
                  f"min {min(values):6.1f}  max {max(values):6.1f}  ({len(values)} runs)")
    for reference in PLAIN:
        plain = medians.get(reference, 0)
        for name, value in medians.items():
            if plain > 0 and name not in PLAIN:
                print(f"ratio {name} / {reference}: {value / plain:.2f} (goal <= 1.10)")
    # The runs of one round follow each other within a second or so: the
    # ratio within a round is less disturbed by a load that comes and goes.
    for reference in PLAIN:
        for name, values in rounds[reference].items():
            if values:
                print(f"  median of the ratios within a round, {name} / {reference}: "
                      f"{statistics.median(values):.2f} ({len(values)} rounds)")


if __name__ == "__main__":
    main()
