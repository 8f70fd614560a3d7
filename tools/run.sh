#!/usr/bin/env bash
# Builds Vantor.exe (and the stand-in emulator) and starts it: directly on
# Windows, under Wine on Linux. Uses the current display; without one it starts
# an Xvfb of its own and says so.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}/win"

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" Vantor standin_Nox

. "$root/tools/wine-env.sh"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export VANTOR_DISPLAY="$DISPLAY"
    echo "run: starting Vantor under Wine on display $DISPLAY"
else
    echo "run: no display found; starting Vantor on a new Xvfb (invisible; take screenshots with 'import -window root')"
fi
vantor_wine_setup "$build"
trap 'vantor_wine_teardown kill_server' EXIT
[ -z "${VANTOR_DISPLAY:-}" ] && echo "run: Xvfb display is $DISPLAY"
set +e
wine "$build/Vantor.exe"
status=$?
echo "run: Vantor exited with code $status"
exit "$status"
