#!/usr/bin/env bash
# Builds Vantor.exe (and the stand-in emulator) and starts it under Wine, with
# the arguments given (Vantor's command line, e.g. /count:2 /start). Uses a
# Wine prefix of its own (build/win/wineprefix-run), not the tests' one. On the
# current display the desktop's window manager manages Vantor's window (frame,
# taskbar, moving); without a display it starts an Xvfb of its own, says so,
# and leaves windows unmanaged there, as the tests do.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}/win"

bash "$root/tools/build-win.sh" Vantor standin_Nox

. "$root/tools/wine-env.sh"
export VANTOR_WINEPREFIX="${VANTOR_RUN_WINEPREFIX:-$build/wineprefix-run}"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export VANTOR_DISPLAY="$DISPLAY" VANTOR_WINE_MANAGED=Y
    echo "run: starting Vantor under Wine on display $DISPLAY"
else
    unset VANTOR_DISPLAY
    export VANTOR_WINE_MANAGED=N
    echo "run: no display found; starting Vantor on a new Xvfb (invisible; take screenshots with 'import -window root')"
fi
vantor_wine_setup "$build"
trap 'vantor_wine_teardown kill_server' EXIT
[ -z "${VANTOR_DISPLAY:-}" ] && echo "run: Xvfb display is $DISPLAY"
set +e
wine "$build/Vantor.exe" "$@"
status=$?
echo "run: Vantor exited with code $status"
exit "$status"
