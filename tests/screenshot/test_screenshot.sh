#!/usr/bin/env bash
# The README's screenshot as tools/screenshot.sh takes it of the built
# Vantor.exe: its caption buttons are symbols. The checker itself must reject
# a picture whose buttons show the letters "0 1 r".
#   test_screenshot.sh <Vantor.exe>
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
check="$here/check_caption_buttons.py"

python3 "$check" "$root/tests/fixtures/screenshots/caption-letters.png" >/dev/null
status=$?
if [ "$status" -ne 1 ]; then
    echo "FAIL: the checker gives $status, not 1, for caption buttons drawn as letters"
    exit 1
fi
shot="$(mktemp --suffix=.png)"
trap 'rm -f "$shot"' EXIT
VANTOR_SCREENSHOT_EXE="$1" bash "$root/tools/screenshot.sh" "$shot" || exit 1
python3 "$check" "$shot"
