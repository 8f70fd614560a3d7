#!/usr/bin/env bash
# The README's screenshot as tools/screenshot.sh takes it of the built
# Vantor.exe: its caption buttons are symbols. The checker itself must reject
# a picture whose buttons show the letters "0 1 r", and accept the symbols as
# another Wine version draws them (Wine 10's, whichever Wine runs here).
#   test_screenshot.sh <Vantor.exe>
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
check="$here/check_caption_buttons.py"

for row in "caption-letters.png 1 drawn as letters" "caption-symbols-wine10.png 0 drawn by Wine 10"; do
    read -r picture expected what <<<"$row"
    python3 "$check" "$root/tests/fixtures/screenshots/$picture" >/dev/null
    status=$?
    if [ "$status" -ne "$expected" ]; then
        echo "FAIL: the checker gives $status, not $expected, for caption buttons $what"
        exit 1
    fi
done
shot="$(mktemp --suffix=.png)"
trap 'rm -f "$shot"' EXIT
VANTOR_SCREENSHOT_EXE="$1" bash "$root/tools/screenshot.sh" "$shot" || exit 1
python3 "$check" "$shot"
