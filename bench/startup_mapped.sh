#!/usr/bin/env bash
# Start-up benchmark: Vantor.exe beside a plain Win32 program (with Vantor's
# manifest, and without one), from process launch to the window mapped on the
# X display (bench/startup_mapped.py), on a display and Wine prefix of its own
# (or VANTOR_DISPLAY / VANTOR_WINEPREFIX).
#   bash bench/startup_mapped.sh [runs (15)] [other.exe ...]   (after a Windows build in build/win)
#   bash bench/startup_mapped.sh --trace [runs (5)] [other.exe ...]
#                              traced starts of each, by phase (bench/startup_phases.py)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}/win"
. "$root/tools/wine-env.sh"
vantor_wine_setup "$build"
trap 'vantor_wine_teardown kill_server' EXIT
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1  # Wine's services up before the first run
if [ "${1:-}" = --trace ]; then
    runs="${2:-5}"
    exes=("$build/Vantor.exe" "$build/tests/e2e/plain_window_13.exe"
          "$build/tests/e2e/plain_window_13_classic.exe" "${@:3}")
    for exe in "${exes[@]}"; do  # one untraced start of each first: warm caches
        { echo "run Z:${exe//\//\\}"; sleep 2; echo close; echo quit; } |
            wine "$build/startup_host.exe" >/dev/null 2>&1
    done
    for i in $(seq "$runs"); do
        for exe in "${exes[@]}"; do
            { echo "run Z:${exe//\//\\}"; sleep 3; echo close; sleep 1; echo quit; } |
                WINEDEBUG=+pid,+timestamp,+loaddll,+win,+ole wine "$build/startup_host.exe" \
                    >/dev/null 2>"$build/startup-trace-$(basename "$exe" .exe)-$i.log"
        done
    done
    for exe in "${exes[@]}"; do
        name="$(basename "$exe" .exe)"
        python3 "$root/bench/startup_phases.py" "$name.exe" "$build/startup-trace-$name"-[0-9]*.log
    done
    exit 0
fi
python3 "$root/bench/startup_mapped.py" "$build" "${1:-15}" "${@:2}"
