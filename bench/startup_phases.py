#!/usr/bin/env python3
"""Start-up of a program by phase, from a Wine trace of one start:

    WINEDEBUG=+pid,+timestamp,+loaddll,+win,+ole wine Vantor.exe 2> trace.log
    startup_phases.py Vantor.exe trace.log [more traces of it ...]

With several traces each phase is the median over them. (bench/startup_mapped.sh
--trace traces starts of each program this way, interleaved.) The phases end at these marks of the program's own process: its
image and the DLLs it imports loaded; the X11 driver loaded; the theme library
loaded; OLE initialised; the hidden owner window created (the first top-level
window: the thread's IME window comes with it); the main window's creation
begun; its last control created; the main window shown. Marks a program does not have
(a plain program has no OLE and no hidden owner) are left out. Tracing slows
everything down, so the figures are larger than untraced ones; the shares are
what the breakdown is for.
"""
import re
import statistics
import sys

LINE = re.compile(r"^(\d+\.\d+):([0-9a-f]+):([0-9a-f]+):\w+:(\w+):(\S+) (.*)$")


def marks(lines, exe):
    pid = None
    found = {}
    pending_style = ""
    hwnd_role = {}
    creating = []  # what each CreateWindowEx under way makes (they nest)
    for line in lines:
        m = LINE.match(line)
        if not m:
            continue
        t, p, _, channel, function, text = m.groups()
        t = float(t) * 1000
        if pid is None:
            if channel == "loaddll" and exe.lower() in text.lower():
                pid = p
                found["start"] = t
            continue
        if p != pid:
            continue
        if channel == "loaddll":
            if "winex11.drv" in text:
                found.setdefault("x11 driver", t)
            elif "uxtheme" in text:
                found.setdefault("themes", t)
            elif "x11 driver" not in found:
                found["imports"] = t
        elif channel == "ole" and function == "OleInitialize":
            found.setdefault("ole", t) if "Initializing the OLE" in text else None
        elif channel == "win" and function == "dump_window_styles":
            if text.startswith("style:"):
                pending_style = text
            elif text.startswith("exstyle:"):
                if "WS_CHILD" in pending_style:
                    creating.append("control")
                elif "WS_EX_TOOLWINDOW" in text:
                    creating.append("hidden owner")
                elif "WS_CAPTION" in pending_style:
                    creating.append("main window")
                    found.setdefault("main window", t)
                else:
                    creating.append(None)
        elif channel == "win" and function == "NtUserCreateWindowEx" and text.startswith("hwnd"):
            # A window whose styles were announced just before (the thread's
            # IME window is made without announcing them).
            hwnd_role[text.split()[1]] = creating.pop() if creating else None
        elif channel == "win" and function == "NtUserCreateWindowEx" and "created window" in text:
            role = hwnd_role.get(text.split()[-1])
            if role == "hidden owner":
                found.setdefault(role, t)
            elif role == "control" and "main window" in found:
                found["controls"] = t
        elif channel == "win" and function == "NtUserSetWindowPos":
            hwnd = text.split()[1].rstrip(",")
            flags = int(text.split()[-1], 16)
            if hwnd_role.get(hwnd) == "main window" and flags & 0x40 and "shown" not in found:
                found["shown"] = t
    return found


ORDER = ["start", "imports", "x11 driver", "themes", "ole", "hidden owner", "main window",
         "controls", "shown"]
NAMES = {
    "imports": "image and imported DLLs loaded",
    "x11 driver": "X11 driver loaded",
    "themes": "themes and common controls",
    "ole": "OLE initialised",
    "hidden owner": "hidden owner window created",
    "main window": "up to the main window's creation",
    "controls": "main window and its controls",
    "shown": "up to the main window shown",
}


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    exe = sys.argv[1]
    runs = []
    for path in sys.argv[2:]:
        with open(path, errors="replace") as f:
            found = marks(f, exe)
        if "start" in found and "shown" in found:
            runs.append(found)
    if not runs:
        sys.exit(f"no complete start of {exe} in the traces")
    keys = [k for k in ORDER[1:] if all(k in r for r in runs)]
    print(f"{exe}: phases of traced starts, median of {len(runs)} (ms)")
    previous = "start"
    for key in keys:
        print(f"  {NAMES[key]:34s} {statistics.median(r[key] - r[previous] for r in runs):7.1f}")
        previous = key
    total = statistics.median(r["shown"] - r["start"] for r in runs)
    print(f"  {'total to shown':34s} {total:7.1f}")


if __name__ == "__main__":
    main()
