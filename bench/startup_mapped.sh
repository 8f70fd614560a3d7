#!/usr/bin/env bash
# Start-up benchmark: Vantor.exe beside a plain Win32 program, from process
# launch to the window mapped on the X display (bench/startup_mapped.py), on a
# display and Wine prefix of its own (or VANTOR_DISPLAY / VANTOR_WINEPREFIX).
#   bash bench/startup_mapped.sh [runs (15)] [other.exe ...]   (after a Windows build in build/win)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}/win"
. "$root/tools/wine-env.sh"
vantor_wine_setup "$build"
trap 'vantor_wine_teardown kill_server' EXIT
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1  # Wine's services up before the first run
python3 "$root/bench/startup_mapped.py" "$build" "${1:-15}" "${@:2}"
