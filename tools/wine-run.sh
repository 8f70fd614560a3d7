#!/usr/bin/env bash
# ctest's emulator for Windows test programs: runs one program under Wine with the
# project's prefix, locale (code page 936) and a display. tools/test.sh provides a
# shared display and prefix through VANTOR_DISPLAY and VANTOR_WINEPREFIX; run alone,
# the wrapper starts its own Xvfb and stops it again by pid.
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/wine-env.sh"

exe="$1"
shift
# The build tree is the nearest ancestor of the program holding CMakeCache.txt.
build_dir="$(cd "$(dirname "$exe")" && pwd)"
while [ "$build_dir" != "/" ] && [ ! -f "$build_dir/CMakeCache.txt" ]; do
    build_dir="$(dirname "$build_dir")"
done

vantor_wine_setup "$build_dir" || exit 1
trap vantor_wine_teardown EXIT
wine "$exe" "$@"
status=$?
exit "$status"
