#!/usr/bin/env bash
# tools/setup.sh's detection of what is missing: a made-up package is missing,
# installed ones are not, and a package query that fails is an error (exit 1),
# never "nothing missing".
set -u
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
setup="$root/tools/setup.sh"
fake="$(mktemp -d)"
trap 'rm -rf "$fake"' EXIT
# A dpkg-query that fails as a broken package database does.
printf '#!/bin/sh\necho "dpkg-query: error: database is locked" >&2\nexit 2\n' >"$fake/dpkg-query"
chmod +x "$fake/dpkg-query"
failed=0

# check <case> <expected status> <expected output> <command...>
check() {
    local name="$1" status="$2" expected="$3" out got
    shift 3
    out=$("$@" 2>/dev/null)
    got=$?
    if [ "$got" != "$status" ] || [ "$out" != "$expected" ]; then
        echo "FAIL $name: status $got (expected $status), output '$out' (expected '$expected')"
        failed=$((failed + 1))
    fi
}

check "a made-up package is missing" 0 vantor-no-such-package \
    bash "$setup" --missing bash vantor-no-such-package
check "installed packages are not" 0 "" bash "$setup" --missing bash coreutils
check "a failing query is an error" 1 "" env PATH="$fake:$PATH" bash "$setup" --missing bash
check "set-up stops when the query fails" 1 "" env -u VANTOR_SETUP_CHECKED PATH="$fake:$PATH" bash "$setup"
[ "$failed" -eq 0 ] && echo "setup detection: 4 passed"
[ "$failed" -eq 0 ]
