#!/usr/bin/env bash
# Takes the README's picture of Vantor: the real Vantor.exe, its boxes filled in
# through its command line, in a framed Wine desktop on an Xvfb of its own
# (with a prefix of its own next to the program); the desktop is cropped out
# of the screen.
#   bash tools/screenshot.sh [--dpi N] [--scheme black] [output.png]
# The default output is docs/vantor-window.png; with --dpi N (the display's
# pixels per inch, 96 being 100%) docs/vantor-window-<percent>.png, in a prefix
# of that DPI with a desktop scaled alike; with --scheme black
# docs/vantor-window-black.png, in a prefix with the colours of Windows' High
# Contrast Black scheme (tools/wine-env.sh). Wine never reports high
# contrast: that picture shows build/win/screenshot/Vantor.exe, the program
# built with the answer "on" (target VantorHighContrast).
# VANTOR_SCREENSHOT_EXE names a Vantor.exe to show instead of building one.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}/win"
dpi=96 scheme=""
while [ $# -gt 0 ]; do
    case "$1" in
    --dpi)
        dpi="${2:-}"
        if ! [[ "$dpi" =~ ^[0-9]+$ ]] || [ "$dpi" -lt 48 ] || [ "$dpi" -gt 480 ]; then
            echo "screenshot: --dpi takes a number from 48 to 480" >&2
            exit 2
        fi
        shift 2
        ;;
    --scheme)
        scheme="${2:-}"
        if [ "$scheme" != black ]; then
            echo "screenshot: --scheme takes black" >&2
            exit 2
        fi
        shift 2
        ;;
    *) break ;;
    esac
done
percent=$((dpi * 100 / 96))
suffix=""
[ "$dpi" = 96 ] || suffix="-$percent"
[ -z "$scheme" ] || suffix="$suffix-$scheme"
default_output="$root/docs/vantor-window$suffix.png"
output="$(realpath -m "${1:-$default_output}")"
desktop_size="$((640 * dpi / 96))x$((480 * dpi / 96))"

exe="${VANTOR_SCREENSHOT_EXE:-}"
if [ -z "$exe" ] && [ -n "$scheme" ]; then
    bash "$root/tools/build-win.sh" VantorHighContrast >/dev/null
    exe="$build/screenshot/Vantor.exe"
elif [ -z "$exe" ]; then
    bash "$root/tools/build-win.sh" Vantor >/dev/null
    exe="$build/Vantor.exe"
fi

. "$root/tools/wine-env.sh"
unset VANTOR_DISPLAY
tree="$(cd "$(dirname "$exe")" && pwd)"
export VANTOR_WINEPREFIX="$tree/wineprefix-screenshot" VANTOR_WINE_MANAGED=N VANTOR_DPI="$dpi" \
    VANTOR_SCHEME="$scheme"
vantor_wine_setup "$tree"
trap 'vantor_wine_teardown kill_server' EXIT

wine explorer /desktop=vantor,$desktop_size "$exe" /count:2 /width:720 /height:1280 /dpi:320 \
    '/path:D:\Nox\bin\Nox.exe' >/dev/null 2>&1 &

# The picture is taken once Vantor's window is there and the screen has
# stopped changing.
shot="$(mktemp --suffix=.png)"
previous=""
for _ in $(seq 1 60); do
    sleep 0.5
    xwininfo -root -tree 2>/dev/null | grep -q '"Vantor"' || continue
    import -window root -crop "$desktop_size+0+0" +repage "$shot"
    current="$(md5sum <"$shot")"
    [ "$current" = "$previous" ] && break
    previous="$current"
done
if [ "$current" != "$previous" ]; then
    echo "screenshot: Vantor's window did not settle" >&2
    rm -f "$shot"
    exit 1
fi
mkdir -p "$(dirname "$output")"
mv "$shot" "$output"
chmod 644 "$output"
echo "screenshot: $output"
