#!/usr/bin/env bash
# Checks that a release is reproducible: builds it (tools/package.sh) twice, in
# two fresh clones of the committed HEAD in folders of different names, without
# ccache (a cache could hand both builds the same objects and hide a
# difference), and compares Vantor.exe, the archive and its sum byte for byte.
# Two full release builds: about 7 minutes on 2 cores. Arguments go to ninja
# (e.g. -j2). Prints "reproducible: 1 passed, 0 failed" (or 0 passed, 1 failed).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
commit="$(git -C "$root" rev-parse HEAD)"
work="$(mktemp -d "${TMPDIR:-/tmp}/vantor-reproducible.XXXXXX")"
trap 'rm -rf "$work"' EXIT
export CCACHE_DISABLE=1
unset VANTOR_BUILD_DIR

trees=(first second-tree)
for tree in "${trees[@]}"; do
    echo "=== release build in $work/$tree ($commit)"
    git clone -q --no-checkout "$root" "$work/$tree"
    git -C "$work/$tree" checkout -q --detach "$commit"
    if ! (cd "$work/$tree" && bash tools/package.sh "$@") >"$work/$tree.log" 2>&1; then
        tail -n 40 "$work/$tree.log"
        echo "reproducible: 0 passed, 1 failed"
        exit 1
    fi
    tail -n 2 "$work/$tree.log"
done

differ=0
name="$(cat "$work/first/build/win/package-name.txt")"
for file in build/win/Vantor.exe "dist/$name" "dist/$name.sha256"; do
    if cmp "$work/${trees[0]}/$file" "$work/${trees[1]}/$file"; then
        echo "same: $file"
    else
        differ=1
    fi
done
if [ "$differ" -eq 0 ]; then
    echo "reproducible: 1 passed, 0 failed"
else
    echo "reproducible: 0 passed, 1 failed"
    exit 1
fi
