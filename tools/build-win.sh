#!/usr/bin/env bash
# Installs what the build needs, configures the release Windows tree
# (build/win, or $VANTOR_BUILD_DIR/win) and builds the targets given:
#   bash tools/build-win.sh Vantor standin_Nox
# The one place the scripts that start or pack Vantor configure its build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}/win"

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" "$@"
