#!/usr/bin/env bash
# Builds the release image and writes dist/Vantor-<version>-win32.zip (Vantor.exe
# and the Chinese user guide as GUIDE-zh_CN.txt and GUIDE-zh_CN.html) and beside
# it its SHA-256 sum, Vantor-<version>-win32.zip.sha256 (check it in dist/ with
# sha256sum -c). The version is the project's VERSION in CMakeLists.txt, which
# the version resource carries too. Arguments go to ninja (e.g. -j2).
#
# Two builds of one commit give the same bytes: the image's time stamp and the
# archive's file times are the commit's (or SOURCE_DATE_EPOCH); changes not
# committed are packed as they are, so build a release from a clean clone.
# tools/test-reproducible.sh checks this.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}/win"

bash "$root/tools/build-win.sh" package_zip "$@"
name="$(cat "$build/package-name.txt")"
mkdir -p "$root/dist"
cp "$build/$name" "$root/dist/"
(cd "$root/dist" && sha256sum "$name" >"$name.sha256")
echo "package: dist/$name"
echo "sha256:  $(cut -d' ' -f1 "$root/dist/$name.sha256")"
