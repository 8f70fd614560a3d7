#!/usr/bin/env bash
# The Xvfb that tools/run.sh keeps between runs (vantor_kept_xvfb): a later run
# uses the one recorded while it is that display's Xvfb; a record naming
# another process or display, or an Xvfb that has ended, gets a new one.
set -u
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$root/tools/wine-env.sh"
dir="$(mktemp -d)"
record="$dir/run-xvfb"
started=()
end() {
    local p
    for p in "${started[@]}"; do kill "$p" 2>/dev/null; done
    rm -rf "$dir"
}
trap end EXIT
cases=0
failed=0

# kept <case> <expected VANTOR_XVFB_REUSED> [<expected display> <expected pid>]
kept() {
    local got
    cases=$((cases + 1))
    if ! vantor_kept_xvfb "$record"; then
        echo "FAIL $1: no Xvfb"; failed=$((failed + 1)); return
    fi
    [ "$VANTOR_XVFB_REUSED" = 0 ] && started+=("$VANTOR_XVFB_PID")
    got="$VANTOR_XVFB_REUSED $DISPLAY $VANTOR_XVFB_PID"
    if [ "$VANTOR_XVFB_REUSED" != "$2" ] || { [ "$2" = 1 ] && [ "$got" != "1 $3 $4" ]; } ||
        [ "$(cat "$record")" != "$DISPLAY $VANTOR_XVFB_PID" ] || ! vantor_is_xvfb "$VANTOR_XVFB_PID" "$DISPLAY"; then
        echo "FAIL $1: reused, display, pid: $got; record: $(cat "$record")"; failed=$((failed + 1))
    fi
}

kept "no record" 0
display="$DISPLAY" pid="$VANTOR_XVFB_PID"
kept "recorded Xvfb up" 1 "$display" "$pid"
for stale in "$display $$" ":$((${display#:} + 1)) $pid" "garbage"; do
    echo "$stale" >"$record"
    kept "record '$stale'" 0
done
read -r display pid <"$record"
kill "$pid" && wait "$pid" 2>/dev/null
kept "recorded Xvfb ended" 0
[ "$VANTOR_XVFB_PID" != "$pid" ] || { echo "FAIL recorded Xvfb ended: its pid came back"; failed=$((failed + 1)); }
echo "kept_xvfb: $((cases - failed)) passed, $failed failed"
[ "$failed" = 0 ]
