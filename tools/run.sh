#!/usr/bin/env bash
# Builds Vantor.exe (and the stand-in emulator) and starts it under Wine, with
# the arguments given (Vantor's command line, e.g. /count:2 /start). Uses a
# Wine prefix of its own (build/win/wineprefix-run), not the tests' one. On the
# current display the desktop's window manager manages Vantor's window (frame,
# taskbar, moving); without a display it starts an Xvfb of its own, says so,
# and leaves windows unmanaged there, as the tests do. It prints where the
# stand-in emulator and its log are. Closing Vantor leaves the Wine session
# (and the Xvfb it started) up, so that the emulator instances Vantor started
# keep running; the script says how to end them.
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
[ -z "${VANTOR_DISPLAY:-}" ] && echo "run: Xvfb display is $DISPLAY (pid $VANTOR_XVFB_PID)"
standin="$build/tests/e2e/Nox.exe"
echo "run: stand-in emulator: Z:${standin//\//\\}"
echo "run: its log: ${VANTOR_STANDIN_LOG:-$build/tests/e2e/nox-standin.log}"
set +e
wine "$build/Vantor.exe" "$@"
status=$?
echo "run: Vantor exited with code $status"
echo "run: emulator instances it started keep running; to end them and this Wine session:"
echo "       WINEPREFIX=$WINEPREFIX wineserver -k"
[ -n "${VANTOR_XVFB_PID:-}" ] && echo "     and the Xvfb: kill $VANTOR_XVFB_PID"
exit "$status"
