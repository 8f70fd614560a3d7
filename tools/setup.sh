#!/usr/bin/env bash
# Installs what building and testing Vantor needs on Debian 12. Idempotent:
# packages already present are skipped, so a second run takes seconds.
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

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  NEED_UPDATE=1
fi
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi

# The tests' system languages: Simplified Chinese (code page 936, the usual
# one), and for the text boundary English (1252), Traditional Chinese (950),
# Japanese (932), Korean (949) and Hindi (UTF-8 under Wine).
for loc in zh_CN en_US zh_TW ja_JP ko_KR hi_IN; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc.utf8$"; then
    $SUDO localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
  fi
done
echo "setup: done"
