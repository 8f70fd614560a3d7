#!/usr/bin/env bash
# Installs what building and testing Vantor needs on Debian 12. Idempotent:
# once everything is in place (one dpkg query and one locale listing say so) it
# ends at once, so the scripts call it before every build.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  g++-mingw-w64-i686 wine wine32:i386 wine64
  xvfb xauth x11-utils xdotool imagemagick fonts-wqy-microhei fonts-wine locales
  g++-multilib lib32asan8 lib32ubsan1 clang libclang-rt-14-dev
  libgtest-dev:i386 libbenchmark-dev:i386 googletest cmake ninja-build
  python3 clang-format ccache
  pandoc  # renders the release archive's guide (the Windows tree's package_zip, tested by test_package)
)

# The tests' system languages: Simplified Chinese (code page 936, the usual
# one), and for the text boundary English (1252), Traditional Chinese (950),
# Japanese (932), Korean (949) and Hindi (UTF-8 under Wine).
LOCALES=(zh_CN en_US zh_TW ja_JP ko_KR hi_IN)

# The packages not installed, from one query (an unknown package counts as missing).
missing_packages() {
  local installed arch
  arch=$(dpkg --print-architecture)
  installed=$(dpkg-query -W -f='${binary:Package} ${Status}\n' "${PACKAGES[@]}" 2>/dev/null |
    awk '$NF == "installed" { print $1 }')
  for p in "${PACKAGES[@]}"; do
    # dpkg names a foreign package with its architecture, a native one without.
    grep -qx -e "$p" -e "$p:$arch" <<<"$installed" || echo "$p"
  done
}

missing_locales() {
  local present
  present=$(locale -a 2>/dev/null)
  for loc in "${LOCALES[@]}"; do
    grep -qix "$loc.utf8" <<<"$present" || echo "$loc"
  done
}

mapfile -t missing < <(missing_packages)
mapfile -t missing_locs < <(missing_locales)
if [ "${#missing[@]}" -eq 0 ] && [ "${#missing_locs[@]}" -eq 0 ]; then
  exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi

for loc in "${missing_locs[@]}"; do
  $SUDO localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
done
echo "setup: done"
