#!/usr/bin/env bash
# Builds the release image and writes dist/Vantor-<version>-win32.zip: Vantor.exe
# and the Chinese user guide (GUIDE-zh_CN.txt). The version is the project's
# VERSION in CMakeLists.txt, which the version resource carries too.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}/win"

bash "$root/tools/build-win.sh" package_zip
archive="$build/$(cat "$build/package-name.txt")"
mkdir -p "$root/dist"
cp "$archive" "$root/dist/"
echo "package: dist/$(basename "$archive")"
