#!/usr/bin/env bash
# Installs what the build needs, configures the release Windows tree
# (build/win, or $VANTOR_BUILD_DIR/win) and builds the targets given (all
# without any), passing ninja's options on:
#   bash tools/build-win.sh Vantor standin_Nox
#   bash tools/build-win.sh -j 2
# The one place the Windows tree is configured: tools/test.sh and the scripts
# that start or pack Vantor build it here. The configure output goes to
# <tree>.configure.log, shown when configuring fails. VANTOR_HOST_FORMC names a
# form compiler built for this machine (the native tree's) to use instead of
# building the host tools.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}/win"

bash "$root/tools/setup.sh"
launcher=()
# ccache makes rebuilds of other checkouts and trees cheap; optional.
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
mkdir -p "$(dirname "$build")"
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DVANTOR_HOST_FORMC="${VANTOR_HOST_FORMC:-}" \
    >"$build.configure.log" 2>&1 || { cat "$build.configure.log" >&2; exit 1; }
ninja -C "$build" "$@"
