#!/usr/bin/env python3
"""Checks the layers' includes: a portable file includes no platform header,
and no layer includes a header of a layer above it.

Layers, lowest first: runtime < forms < commands < controls < app. The
portable part of runtime/, forms/ and commands/ is every file outside their
win32/ folders; it builds natively as well as for Windows. controls/ and app/
are Windows only. The application's routines (app/ outside app/win32/) reach
the runtime only through its interface table, the command library and the
declared functions: of the project they include only the headers below, and
of the platform only the structure layouts of <windows.h> and <tlhelp32.h>;
app/win32/ is the application's edge, which calls the system itself. A header
private to its folder (PRIVATE) is included from that folder only, wherever
the including file lies (tests too). Prints each offending include and exits
1 when there is one.
"""
import pathlib
import re
import sys

LAYERS = ["runtime", "forms", "commands", "controls", "app"]
PORTABLE_LAYERS = {"runtime", "forms", "commands"}
# Headers of the Windows SDK and of mingw's Windows support.
PLATFORM = re.compile(
    r"#\s*include\s*<(windows|winuser|winbase|windef|commdlg|commctrl|shellapi|shlobj|"
    r"shobjidl|tlhelp32|wincodec|ole2|objbase|mmsystem|windowsx|winnls|wingdi|io|process|"
    r"direct)\.h>",
    re.IGNORECASE)
PROJECT = re.compile(r'#\s*include\s*"([^"/]+)/([^"]+)"')
ROUTINE_PLATFORM = re.compile(r"#\s*include\s*<(windows|tlhelp32)\.h>", re.IGNORECASE)
ROUTINE_HEADERS = {"runtime/win32/interface.h", "runtime/win32/system_text.h", "controls/commands.h",
                   "forms/load_command.h",
                   "forms/kind_table.h", "forms/win32/unit_type.h", "commands/library.h",
                   "commands/convert.h", "commands/text.h"}
# Header -> the folder whose files alone include it.
PRIVATE = {
    # The kernel's state: the form engine and tests have friends of their own.
    "runtime/win32/kernel_state.h": "runtime/win32",
}
SOURCES = (".h", ".cpp", ".in")


def layer_of(path):
    return path.parts[0] if path.parts and path.parts[0] in LAYERS else None


def is_portable(path):
    return layer_of(path) in PORTABLE_LAYERS and "win32" not in path.parts[1:-1]


def is_routine(path):
    return layer_of(path) == "app" and "win32" not in path.parts[1:-1]


def routine_may_include(included):
    if included.parts[0] == "app":
        return "win32" not in included.parts[1:-1]
    return str(included.as_posix()) in ROUTINE_HEADERS or (
        included.parts[0] == "runtime" and is_portable(included))


def private_problems(rel, lines):
    for number, line in lines:
        match = PROJECT.search(line)
        header = f"{match.group(1)}/{match.group(2)}" if match else None
        if header in PRIVATE and rel.parent.as_posix() != PRIVATE[header]:
            yield f"{rel}:{number}: {line.strip()}: {header} is private to {PRIVATE[header]}/"


def problems(root):
    for path in sorted(root.glob("*/**/*")):
        rel = path.relative_to(root)
        if path.suffix not in SOURCES or rel.parts[0] in ("build", ".git"):
            continue
        lines = list(enumerate(path.read_text(encoding="utf-8").splitlines(), 1))
        yield from private_problems(rel, lines)
        layer = layer_of(rel)
        if layer is None:
            continue
        for number, line in lines:
            where = f"{rel}:{number}: {line.strip()}"
            if is_portable(rel) and PLATFORM.search(line):
                yield f"{where}: a portable file includes a platform header"
            if is_routine(rel) and PLATFORM.search(line) and not ROUTINE_PLATFORM.search(line):
                yield f"{where}: a routine includes a platform header beyond the layouts"
            match = PROJECT.search(line)
            if not match or match.group(1) not in LAYERS:
                continue
            included = pathlib.Path(match.group(1), match.group(2))
            if LAYERS.index(included.parts[0]) > LAYERS.index(layer):
                yield f"{where}: {layer}/ includes a header of {included.parts[0]}/ above it"
            elif is_portable(rel) and not is_portable(included):
                yield f"{where}: a portable file includes a Windows-only header"
            elif is_routine(rel) and not routine_may_include(included):
                yield f"{where}: a routine includes a header of the edge or below the runtime's table"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    found = list(problems(root))
    for line in found:
        print(line)
    print(f"layers: {len(found)} offending includes")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
