#!/usr/bin/env bash
# Builds Vantor.exe (and the stand-in emulator) and starts it under Wine, with
# the arguments given (Vantor's command line, e.g. /count:2 /start). Uses a
# Wine prefix of its own (build/win/wineprefix-run), not the tests' one. On the
# current display the desktop's window manager manages Vantor's window (frame,
# taskbar, moving); without a display it runs on an Xvfb, says so, and leaves
# windows unmanaged there, as the tests do. It prints where the stand-in
# emulator and its log are. Closing Vantor leaves the Wine session (and the
# Xvfb) up, so that the emulator instances Vantor started keep running; the
# script says how to end them. The Xvfb's display and pid are recorded in
# build/win/run-xvfb: a later run uses that Xvfb, and so the same Wine session,
# while it is still up, instead of starting another.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}/win"

bash "$root/tools/build-win.sh" Vantor standin_Nox

. "$root/tools/wine-env.sh"
export VANTOR_WINEPREFIX="${VANTOR_RUN_WINEPREFIX:-$build/wineprefix-run}"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export VANTOR_DISPLAY="$DISPLAY" VANTOR_WINE_MANAGED=Y
    xvfb_pid=""
    echo "run: starting Vantor under Wine on display $DISPLAY"
else
    export VANTOR_WINE_MANAGED=N
    vantor_kept_xvfb "$build/run-xvfb"
    export VANTOR_DISPLAY="$DISPLAY"
    xvfb_pid="$VANTOR_XVFB_PID"
    if [ "$VANTOR_XVFB_REUSED" = 1 ]; then
        echo "run: no display found; using the Xvfb of an earlier run, display $DISPLAY (pid $xvfb_pid)"
    else
        echo "run: no display found; started an Xvfb, display $DISPLAY (pid $xvfb_pid)"
    fi
    echo "run: (invisible; take screenshots with 'DISPLAY=$DISPLAY import -window root shot.png')"
fi
vantor_wine_setup "$build"
standin="$build/tests/e2e/Nox.exe"
echo "run: stand-in emulator: Z:${standin//\//\\}"
echo "run: its log: ${VANTOR_STANDIN_LOG:-$build/tests/e2e/nox-standin.log}"
set +e
wine "$build/Vantor.exe" "$@"
status=$?
echo "run: Vantor exited with code $status"
echo "run: emulator instances it started keep running; to end them and this Wine session:"
echo "       WINEPREFIX=$(printf %q "$WINEPREFIX") wineserver -k"
if [ -n "$xvfb_pid" ]; then
    echo "run: the next run uses this Xvfb and Wine session again; to end the Xvfb too, after that:"
    echo "       kill $xvfb_pid"
fi
exit "$status"
