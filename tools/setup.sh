#!/usr/bin/env bash
# Installs what building and testing Vantor needs on Debian 12 or 13, then
# checks that the tools the build stages call really work. Idempotent: once
# everything is in place it ends within seconds, so the scripts call it before
# every build. Anything still missing after the install stops it with exit 1
# and one line naming what and how to install it.
#
#   bash tools/setup.sh                       # install what is missing, check the tools
#   bash tools/setup.sh --missing [name...]   # only list which packages are not installed
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  g++-mingw-w64-i686 wine wine32:i386 wine64
  xvfb xauth x11-utils xdotool imagemagick fonts-wqy-microhei fonts-wine locales
  g++-multilib lib32asan8 lib32ubsan1 clang libclang-rt-dev
  libgtest-dev:i386 libbenchmark-dev:i386 googletest cmake ninja-build
  python3 clang-format ccache
  pandoc  # renders the release archive's guide (the Windows tree's package_zip, tested by test_package)
)

# The tests' system languages: Simplified Chinese (code page 936, the usual
# one), and for the text boundary English (1252), Traditional Chinese (950),
# Japanese (932), Korean (949) and Hindi (UTF-8 under Wine).
LOCALES=(zh_CN en_US zh_TW ja_JP ko_KR hi_IN)

fail() {
  echo "setup: $*" >&2
  exit 1
}

# Prints the names among the arguments that are not installed. The one query
# lists every package dpkg knows, so its status says only whether the database
# could be read: a failure is an error, never "nothing missing".
missing_packages() {
  local arch known p
  arch=$(dpkg --print-architecture) || fail "cannot run dpkg --print-architecture"
  known=$(dpkg-query -W -f='${binary:Package} ${db:Status-Status}\n') ||
    fail "cannot read the package database (dpkg-query failed)"
  for p in "$@"; do
    # dpkg names a foreign package with its architecture, a native one without.
    grep -qx -e "$p installed" -e "$p:$arch installed" <<<"$known" || echo "$p"
  done
}

missing_locales() {
  local present loc
  present=$(locale -a 2>/dev/null) || true
  for loc in "${LOCALES[@]}"; do
    grep -qix "$loc.utf8" <<<"$present" || echo "$loc"
  done
}

# apt-get update, tried again after a pause: a mirror being synced fails for a
# minute or so. When it never succeeds the package lists of an earlier update
# may still do; the install decides.
update_package_lists() {
  local try
  for try in 1 2 3; do
    if $SUDO apt-get update -q; then return 0; fi
    [ "$try" -lt 3 ] && { echo "setup: apt-get update failed (try $try of 3); again in 20 s"; sleep 20; }
  done
  if compgen -G '/var/lib/apt/lists/*Packages*' >/dev/null; then
    echo "setup: apt-get update failed 3 times; going on with the package lists there are"
  else
    fail "apt-get update failed 3 times and there are no package lists; check the network and the sources in /etc/apt"
  fi
}

install_packages() {
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  echo "setup: installing $*"
  update_package_lists
  local apt=(apt-get install -y -q --no-install-recommends) release
  if $SUDO "${apt[@]}" "$@"; then return 0; fi
  # An index left out by a mirror sync (often one architecture's of the security
  # suite) puts an amd64 package and its i386 twin at different versions; the
  # release's own versions, preferred, still match.
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$release" ]; then
    echo "setup: apt-get install failed; trying again with $release's own package versions preferred"
    if $SUDO "${apt[@]}" -t "$release" "$@"; then
      echo "setup: installed with $release's own versions where the update indexes disagreed; run apt-get upgrade once the archive is in step"
      return 0
    fi
  fi
  local still
  still=$(missing_packages "$@" | tr '\n' ' ')
  fail "could not install: ${still:-$* }(an archive in the middle of a sync is the usual cause: run the command again later)"
}

# Compiles and links a GoogleTest program that includes <cstdint> with the
# compiler and flags given: what the native and fuzz trees need of it.
compiles_with_gtest() {
  local dir="$1"
  shift
  "$@" -x c++ -std=c++20 -o "$dir/probe" - -lgtest_main -lgtest -pthread >"$dir/log" 2>&1 <<'EOF'
#include <cstdint>
#include <gtest/gtest.h>
TEST(Setup, FixedWidth) { EXPECT_EQ(sizeof(std::uint32_t), 4u); }
EOF
}

# Checks that each tool a build stage calls is there and works.
check_tools() {
  local cmd pkg dir g_status c_status
  while read -r cmd pkg; do
    command -v "$cmd" >/dev/null || fail "$cmd is missing; install it with: apt-get install $pkg"
  done <<'EOF'
i686-w64-mingw32-g++-posix g++-mingw-w64-i686
i686-w64-mingw32-gcc-posix g++-mingw-w64-i686
i686-w64-mingw32-windres binutils-mingw-w64-i686
wine wine
Xvfb xvfb
xauth xauth
xdpyinfo x11-utils
xdotool xdotool
import imagemagick
pandoc pandoc
python3 python3
cmake cmake
ninja ninja-build
clang-format clang-format
EOF
  [ -f /usr/src/googletest/googletest/src/gtest-all.cc ] ||
    fail "GoogleTest's sources (for the Windows build) are missing; install them with: apt-get install googletest"
  # Wine runs 32-bit programs only with its 32-bit loader (package wine32:i386).
  compgen -G '/usr/lib/wine/wine' >/dev/null || compgen -G '/usr/lib/i386-linux-gnu/wine/*/wine' >/dev/null ||
    fail "Wine's 32-bit loader is missing; install it with: dpkg --add-architecture i386 && apt-get update && apt-get install wine32:i386"
  dir=$(mktemp -d)
  mkdir "$dir/g" "$dir/c"
  compiles_with_gtest "$dir/g" g++ -m32 -fsanitize=address,undefined &
  local g_pid=$!
  compiles_with_gtest "$dir/c" clang++ -m32 -fsanitize=address &
  local c_pid=$!
  g_status=0 c_status=0
  wait "$g_pid" || g_status=$?
  wait "$c_pid" || c_status=$?
  if [ "$g_status" -ne 0 ]; then
    sed -n 1,5p "$dir/g/log" >&2
    rm -rf "$dir"
    fail "g++ -m32 cannot build a GoogleTest program with the sanitizers; install: apt-get install g++-multilib lib32asan8 lib32ubsan1 libgtest-dev:i386"
  fi
  if [ "$c_status" -ne 0 ]; then
    sed -n 1,5p "$dir/c/log" >&2
    rm -rf "$dir"
    fail "clang++ -m32 cannot build a GoogleTest program with AddressSanitizer; install: apt-get install clang libclang-rt-dev g++-multilib libgtest-dev:i386"
  fi
  rm -rf "$dir"
}

main() {
  local missing missing_locs loc
  missing=$(missing_packages "${PACKAGES[@]}") || exit 1
  missing_locs=$(missing_locales)
  if [ -n "$missing" ]; then
    # shellcheck disable=SC2086  # one package name a word
    install_packages $missing
    local still
    still=$(missing_packages "${PACKAGES[@]}") || exit 1
    [ -z "$still" ] || fail "still not installed after apt-get install: $(echo $still)"
  fi
  for loc in $missing_locs; do
    $SUDO localedef -i "$loc" -f UTF-8 "$loc.UTF-8" || fail "cannot make the locale $loc.UTF-8 (package locales)"
  done
  [ -z "$(missing_locales)" ] || fail "locales still missing: $(missing_locales | tr '\n' ' ')(package locales)"
  check_tools
  [ -z "$missing$missing_locs" ] || echo "setup: done"
}

if [ "${1:-}" = --missing ]; then
  shift
  if [ "$#" -eq 0 ]; then set -- "${PACKAGES[@]}"; fi
  missing_packages "$@"
elif [ "${VANTOR_SETUP_CHECKED:-}" != 1 ]; then  # tools/test.sh has run it already
  main
fi
