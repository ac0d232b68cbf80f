#!/usr/bin/env bash
# Builds everything and runs every test: the native build (ASan/UBSan), the Windows build under
# Wine, and each fuzz target for a bounded time. Prints one closing line with the totals.
#   RP_BUILD=dir          build folder (default: build/ in the checkout)
#   RP_FUZZ_SECONDS=n     seconds per fuzz target (default 60; 0 skips fuzzing)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${RP_BUILD:-$root/build}
fuzzSeconds=${RP_FUZZ_SECONDS:-60}
passed=0
failed=0
failures=()
mkdir -p "$build"

note() { printf '\n=== %s\n' "$*"; }

# Adds a CTest run's counts, read from its closing line, to the totals.
count_ctest() {
    local log=$1 name=$2 line total bad
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$line" ]; then
        failed=$((failed + 1)); failures+=("$name: no test ran"); return
    fi
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad)); failed=$((failed + bad))
    [ "$bad" = 0 ] || failures+=("$name: $bad failed")
}

step_failed() { failed=$((failed + 1)); failures+=("$1"); }

# Windows programs need a display; start a private Xvfb when there is none.
if [ -z "${DISPLAY:-}" ]; then
    for n in 99 98 97 96; do
        if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
            Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
            xvfbPid=$!
            export DISPLAY=:$n
            trap 'kill $xvfbPid 2>/dev/null' EXIT
            sleep 1
            break
        fi
    done
fi

note "native build (sanitizers)"
if cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug > "$build/native-cfg.log" 2>&1 \
    && cmake --build "$build/native" -j2; then
    ctest --test-dir "$build/native" --output-on-failure -j2 --timeout 900 2>&1 | tee "$build/native-ctest.log"
    count_ctest "$build/native-ctest.log" "native"
else
    cat "$build/native-cfg.log" 2>/dev/null | tail -20
    step_failed "native build"
fi

note "Windows build (mingw-w64, tested under Wine)"
if cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" > "$build/win-cfg.log" 2>&1 \
    && cmake --build "$build/win" -j2; then
    "$build/win/wine-run.sh" wineboot -i > /dev/null 2>&1 || true
    ctest --test-dir "$build/win" --output-on-failure --timeout 900 2>&1 | tee "$build/win-ctest.log"
    count_ctest "$build/win-ctest.log" "windows"
else
    cat "$build/win-cfg.log" 2>/dev/null | tail -20
    step_failed "windows build"
fi

if [ "$fuzzSeconds" != 0 ]; then
    note "fuzz targets (clang libFuzzer, ${fuzzSeconds}s each)"
    if CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build/fuzz" -G Ninja -DRP_FUZZ=ON \
            > "$build/fuzz-cfg.log" 2>&1 && cmake --build "$build/fuzz" -j2; then
        "$root/tools/fuzz.sh" "$build/fuzz" "$fuzzSeconds" 2>&1 | tee "$build/fuzz.log"
        count_ctest "$build/fuzz.log" "fuzz"
    else
        cat "$build/fuzz-cfg.log" 2>/dev/null | tail -20
        step_failed "fuzz build"
    fi
fi

note "summary"
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
