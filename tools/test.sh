#!/usr/bin/env bash
# Builds and runs every test: the portable core natively (-m32, ASan/UBSan), the
# Windows build under Wine (unit, Win32 and end-to-end tiers), and a bounded
# run of every fuzz target; with VANTOR_TEST_REPRODUCIBLE=1 also the check that
# two release builds give the same bytes (tools/test-reproducible.sh), with
# VANTOR_TEST_SOAK=1 the soak of screen-reader reads beside busy cores, with
# VANTOR_TEST_ALLOCATIONS=1 the allocation sweep under Wine. Ends with one
# summary line: "tests: N passed, M failed", after the time each stage took.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}"
fuzz_seconds="${VANTOR_FUZZ_SECONDS:-60}"
jobs="$(nproc)"

# Installs what is missing and checks the tools; the scripts this one calls
# need not check again.
bash "$root/tools/setup.sh" || exit 1
export VANTOR_SETUP_CHECKED=1

passed=0
failed=0
failures=()
stage_times=()
stage_start=$SECONDS

# Notes the time the stage that just ended took, from the previous mark.
end_stage() {
    stage_times+=("$1 $((SECONDS - stage_start))s")
    stage_start=$SECONDS
}

# Adds the counts of a ctest log ("N% tests passed, F tests failed out of T").
count_ctest() {
    local log="$1" name="$2" line total bad
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
    if [ -z "$line" ]; then
        failed=$((failed + 1)); failures+=("$name: no test ran"); return
    fi
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad)); failed=$((failed + bad))
    if [ "$bad" -gt 0 ]; then failures+=("$name: $bad failed"); fi
}

# ccache makes rebuilds of other checkouts and trees cheap; optional.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

build_tree() {  # name, cmake args...
    local name="$1"; shift
    echo "=== configure and build: $name"
    cmake -S "$root" -B "$build/$name" -G Ninja "${launcher[@]}" "$@" >"$build/$name.configure.log" 2>&1 \
        || { cat "$build/$name.configure.log"; return 1; }
    ninja -C "$build/$name" -j "$jobs" 2>&1 | tail -n 40
    return "${PIPESTATUS[0]}"
}

# The Windows tree is configured where the other scripts build it; it compiles
# its forms with the native tree's form compiler when there is one.
build_win() {
    echo "=== configure and build: win"
    local formc="$build/native/tools/vantor-formc"
    [ -x "$formc" ] || formc=""
    VANTOR_BUILD_DIR="$build" VANTOR_HOST_FORMC="$formc" bash "$root/tools/build-win.sh" -j "$jobs" \
        2>&1 | tail -n 40
    return "${PIPESTATUS[0]}"
}

mkdir -p "$build"

# Every sanitizer report ends the program that made it, with the stack: the
# builds compile that in (-fno-sanitize-recover=all), the options say it again
# for UndefinedBehaviorSanitizer, whose default is to print and go on.
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

# 0. Every C++ file follows the project's .clang-format.
echo "=== format"
# One clang-format for all files; it names each file that differs.
unformatted=$(cd "$root" && git ls-files -z '*.cpp' '*.h' '*.c' 2>/dev/null |
    xargs -0 clang-format --dry-run -Werror 2>&1 >/dev/null |
    sed -nE 's/^([^:]+):[0-9]+:[0-9]+: error: code should be clang-formatted.*/\1/p' | sort -u)
if [ -z "$unformatted" ]; then
    passed=$((passed + 1))
else
    echo "unformatted (run clang-format -i on them):"; echo "$unformatted"
    failed=$((failed + 1)); failures+=("format: $(echo "$unformatted" | wc -l) files")
fi

# The layers' includes: portable files include no platform header, and no
# layer includes one above it.
echo "=== layers"
if python3 "$root/tools/check_layers.py" "$root"; then
    passed=$((passed + 1))
else
    failed=$((failed + 1)); failures+=("layers: includes across layers")
fi
# The set-up's detection of missing packages cannot report a failed query as
# "nothing missing".
echo "=== setup detection"
if bash "$root/tests/scripts/test_setup.sh"; then
    passed=$((passed + 1))
else
    failed=$((failed + 1)); failures+=("setup detection")
fi
end_stage "format, layers and setup detection"

# 1. Native portable core with sanitizers.
if build_tree native -DCMAKE_BUILD_TYPE=Debug -DVANTOR_BENCH=ON; then
    echo "=== tests: native"
    (cd "$build/native" && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs") \
        2>&1 | tee "$build/native.ctest.log"
    count_ctest "$build/native.ctest.log" native
else
    failed=$((failed + 1)); failures+=("native: build failed")
fi
end_stage native

# 2. Windows build under Wine: one display and one prefix for the whole run.
if build_win; then
    end_stage "windows build"
    . "$root/tools/wine-env.sh"
    if vantor_wine_setup "$build/win"; then
        export VANTOR_DISPLAY="$DISPLAY" VANTOR_WINEPREFIX="$WINEPREFIX"
        # One persistent server for all test programs, and Wine's own services
        # started now, detached from ctest's output pipes (a service that inherits
        # a test's stdout would keep ctest waiting for ever).
        wineserver -p >/dev/null 2>&1
        wine cmd /c exit </dev/null >/dev/null 2>&1
        echo "=== tests: Windows under Wine (display $DISPLAY)"
        # One test program at a time on the display: programs on one display
        # compete for the foreground window and the keyboard focus, which many
        # tests check. The tests of other languages and display scales have
        # prefixes and Wine servers of their own (label own_server): they run
        # beside, one at a time, each on a display of its own (wine-run.sh
        # starts one without VANTOR_DISPLAY).
        (cd "$build/win" && env -u VANTOR_DISPLAY ctest --output-on-failure -j 1 --timeout 600 \
            -L own_server >"$build/win-own-server.ctest.log" 2>&1) &
        own_server_pid=$!
        (cd "$build/win" && ctest --output-on-failure -j 1 --timeout 600 \
            -LE 'own_server|allocation_sweep') 2>&1 | tee "$build/win.ctest.log"
        wait "$own_server_pid"
        echo "=== tests: Windows under Wine, other languages and display scales"
        cat "$build/win-own-server.ctest.log"
        count_ctest "$build/win.ctest.log" windows
        count_ctest "$build/win-own-server.ctest.log" "windows (own servers)"
        # On request (VANTOR_TEST_ALLOCATIONS=1): every allocation of Vantor's
        # test build failed in turn under Wine. Minutes.
        if [ "${VANTOR_TEST_ALLOCATIONS:-}" = 1 ]; then
            echo "=== tests: allocation sweep under Wine"
            (cd "$build/win" && ctest --output-on-failure -V -j 1 -L allocation_sweep) \
                2>&1 | tee "$build/win-allocations.ctest.log"
            count_ctest "$build/win-allocations.ctest.log" "allocation sweep"
        fi
        vantor_wine_teardown kill_server
        unset VANTOR_DISPLAY VANTOR_WINEPREFIX
    else
        failed=$((failed + 1)); failures+=("windows: Wine set-up failed")
    fi
else
    failed=$((failed + 1)); failures+=("windows: build failed")
fi
end_stage windows

# 3. Every fuzz target for a bounded time each, from its seeds (corpus/<inputs>/
# and the extra ones below) and its dictionary (<inputs>.dict) when there is one,
# where <inputs> names the kind of input: the archive's model codec takes archives.
# The corpus grows in the build tree from run to run.
inputs_of() {
    case "$1" in
    fuzz_model) echo fuzz_archive ;;
    *) echo "$1" ;;
    esac
}
extra_seeds() {
    case "$1" in
    fuzz_archive) echo "$root"/tests/fixtures/damaged/* ;;
    fuzz_form_source) (cd "$root" && git ls-files '*.form' | sed "s|^|$root/|") ;;
    esac
}
# Starts one fuzz target in the background (its pid in fuzz_pid).
start_fuzz() {
    local target="$1" name corpus inputs dict=()
    name=$(basename "$target")
    echo "=== fuzz: $name for ${fuzz_seconds}s"
    corpus="$build/fuzz/corpus/$name"
    mkdir -p "$corpus"
    inputs=$(inputs_of "$name")
    cp "$root/tests/fuzz/corpus/$inputs"/* $(extra_seeds "$inputs") "$corpus"/ 2>/dev/null
    [ -f "$root/tests/fuzz/$inputs.dict" ] && dict=(-dict="$root/tests/fuzz/$inputs.dict")
    "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 "${dict[@]}" \
        -artifact_prefix="$build/fuzz/$name-" "$corpus" >"$build/fuzz-$name.log" 2>&1 &
    fuzz_pid=$!
}
# Waits for the fuzz target `name` started as `pid` and counts its outcome.
finish_fuzz() {
    local name="$1" pid="$2" log="$build/fuzz-$1.log"
    if wait "$pid"; then
        echo "$name: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)"
        passed=$((passed + 1))
    else
        tail -n 40 "$log"
        failed=$((failed + 1)); failures+=("$name: finding, see $log")
    fi
}
# The targets run side by side, one a core: each is single-threaded.
if build_tree fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DVANTOR_FUZZ=ON; then
    end_stage "fuzz build"
    running_names=()
    running_pids=()
    for target in "$build"/fuzz/tests/fuzz/fuzz_*; do
        [ -x "$target" ] || continue
        [ "$(basename "$target")" = fuzz_make_seeds ] && continue
        if [ "${#running_pids[@]}" -ge "$jobs" ]; then
            finish_fuzz "${running_names[0]}" "${running_pids[0]}"
            running_names=("${running_names[@]:1}")
            running_pids=("${running_pids[@]:1}")
        fi
        start_fuzz "$target"
        running_names+=("$(basename "$target")")
        running_pids+=("$fuzz_pid")
    done
    for i in "${!running_pids[@]}"; do
        finish_fuzz "${running_names[$i]}" "${running_pids[$i]}"
    done
else
    failed=$((failed + 1)); failures+=("fuzz: build failed")
fi
end_stage fuzz

# 4. On request (VANTOR_TEST_REPRODUCIBLE=1): two release builds of HEAD, in two
# fresh clones, give the same bytes. Two full builds: minutes.
if [ "${VANTOR_TEST_REPRODUCIBLE:-}" = 1 ]; then
    echo "=== reproducible release"
    if bash "$root/tools/test-reproducible.sh" -j "$jobs"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1)); failures+=("reproducible: the release builds differ or failed")
    fi
    end_stage reproducible
fi

# 5. On request (VANTOR_TEST_SOAK=1): screen-reader reads of the launcher's
# window during and between launch sequences, beside one busy program per core
# (tests/e2e/soak_launcher_accessible.cpp; VANTOR_SOAK_READS reads, default
# 2000). Tens of minutes: each read waits for busy cores.
if [ "${VANTOR_TEST_SOAK:-}" = 1 ]; then
    echo "=== soak: screen-reader reads beside busy cores"
    bash "$root/tools/wine-run.sh" "$build/win/tests/e2e/soak_launcher_accessible.exe" 2>&1 |
        tee "$build/soak.log"
    if [ "${PIPESTATUS[0]}" -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1)); failures+=("soak: a read froze Vantor or failed, see $build/soak.log")
    fi
    end_stage soak
fi

echo "times: $(IFS=,; echo "${stage_times[*]}" | sed 's/,/, /g'), total ${SECONDS}s"
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
