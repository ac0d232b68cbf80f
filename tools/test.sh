#!/usr/bin/env bash
# Builds everything and runs every test: the native build (ASan/UBSan, with every fuzz target's
# saved inputs replayed), both Windows builds, the Windows suite under Wine on every arch that
# runs here, and each fuzz target for a bounded time. Prints the arches that ran and one closing
# line with the totals.
#   RP_BUILD=dir          build folder (default: build/ in the checkout)
#   RP_FUZZ_SECONDS=n     seconds per fuzz target (default 30; 0 skips exploratory fuzzing)
#   RP_WIN_ARCHES="..."   run the Windows suite on exactly these arches, whether or not the
#                         probe says they run (default: x86_64, plus i686 where it runs)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${RP_BUILD:-$root/build}
fuzzSeconds=${RP_FUZZ_SECONDS:-30}
passed=0
failed=0
failures=()
archNotes=()
mkdir -p "$build"
# shellcheck source=tools/winarch.sh
. "$root/tools/winarch.sh"
# Missing services (INN2, the scripted server, the display) fail tests instead of skipping them.
export RP_STRICT=1

note() { printf '\n=== %s\n' "$*"; }

# Adds a CTest run's counts, read from its closing line, to the totals; leaves the run's test
# count in $lastTotal. (Called in this shell, never in a subshell, or the totals would be lost.)
lastTotal=0
count_ctest() {
    local log=$1 name=$2 line bad
    lastTotal=0
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$line" ]; then
        failed=$((failed + 1)); failures+=("$name: no test ran"); return
    fi
    lastTotal=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + lastTotal - bad)); failed=$((failed + bad))
    [ "$bad" = 0 ] || failures+=("$name: $bad failed")
}

step_failed() { failed=$((failed + 1)); failures+=("$1"); }

if ! rp_start_display; then
    step_failed "no X display for the Windows tests"
fi

note "native build (sanitizers)"
if cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug > "$build/native-cfg.log" 2>&1 \
    && cmake --build "$build/native" -j2; then
    ctest --test-dir "$build/native" --output-on-failure -j2 --timeout 900 2>&1 | tee "$build/native-ctest.log"
    count_ctest "$build/native-ctest.log" "native"
else
    tail -20 "$build/native-cfg.log" 2>/dev/null
    step_failed "native build"
fi

# Both Windows builds always build: i686 is what users install, x86_64 runs everywhere.
declare -A built runs
for arch in i686 x86_64; do
    note "Windows build, $arch (mingw-w64)"
    if rp_win_build "$arch"; then
        built[$arch]=yes
        runs[$arch]=$(rp_win_runs "$arch")
    else
        built[$arch]=no
        runs[$arch]=no
        step_failed "Windows build $arch"
    fi
done

# The package users download, built twice in two folders (the zips must be the same bytes) and
# checked as unpacked. The x86_64 package is built too: the Windows suite runs it as a user
# would (release_package_runs), also where the i686 one cannot run.
note "release package"
version=$(tr -d ' \r\n' < "$root/VERSION")
zip=$root/dist/Rillpost-$version.zip
if bash "$root/tools/release.sh" i686 "$build/release-i686" \
        && bash "$root/tools/release.sh" i686 "$build/release-i686-again" "$build/release-again"; then
    sha256sum "$zip" "$build/release-again/Rillpost-$version.zip"
    if cmp "$zip" "$build/release-again/Rillpost-$version.zip"; then
        passed=$((passed + 1))
    else
        step_failed "release: two builds of one commit gave different zips"
    fi
    if python3 "$root/tools/release_check.py" "$zip" i686 "$build/release-check-i686"; then
        passed=$((passed + 1))
    else
        step_failed "release: the i686 package failed its checks"
    fi
else
    step_failed "release build i686"
fi
bash "$root/tools/release.sh" x86_64 "$build/release-x86_64" > "$build/release-x86_64.log" 2>&1 \
    || { tail -20 "$build/release-x86_64.log"; step_failed "release build x86_64"; }

if [ -n "${RP_WIN_ARCHES:-}" ]; then
    suiteArches=$RP_WIN_ARCHES
else
    suiteArches=x86_64
    [ "${runs[i686]}" = yes ] && suiteArches="i686 x86_64"
fi
note "32-bit Windows programs run here: ${runs[i686]}; 64-bit: ${runs[x86_64]}; the Windows suite runs on: $suiteArches"

for arch in i686 x86_64; do
    [ "${built[$arch]}" = yes ] || continue
    dir=$(rp_win_dir "$arch")
    log="$build/win-$arch-ctest.log"
    if [[ " $suiteArches " == *" $arch "* ]]; then
        note "Windows suite on $arch under Wine"
        [ "${runs[$arch]}" = yes ] || echo "warning: the probe says $arch programs do not run here; running them anyway"
        "$dir/wine-run.sh" wineboot -i > /dev/null 2>&1 || true
        ctest --test-dir "$dir" --output-on-failure --timeout 900 2>&1 | tee "$log"
        count_ctest "$log" "windows $arch"
        archNotes+=("windows $arch: full suite, $lastTotal tests")
    else
        # Programs of this arch do not run here: its binaries are still checked statically.
        if [ "${runs[$arch]}" = yes ]; then why="left out by RP_WIN_ARCHES"; else why="its programs cannot run here"; fi
        note "Windows $arch: static checks only ($why)"
        ctest --test-dir "$dir" --output-on-failure -L static 2>&1 | tee "$log"
        count_ctest "$log" "windows $arch static"
        archNotes+=("windows $arch: static checks only, $lastTotal tests ($why)")
    fi
done
if [[ " $suiteArches " != *" x86_64 "* ]] && [[ " $suiteArches " != *" i686 "* ]]; then
    step_failed "the Windows suite ran on no arch"
fi

if [ "$fuzzSeconds" != 0 ]; then
    note "fuzz targets (clang libFuzzer, ${fuzzSeconds}s each)"
    if CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build/fuzz" -G Ninja -DRP_FUZZ=ON \
            > "$build/fuzz-cfg.log" 2>&1 && cmake --build "$build/fuzz" -j2; then
        "$root/tools/fuzz.sh" "$build/fuzz" "$fuzzSeconds" 2>&1 | tee "$build/fuzz.log"
        count_ctest "$build/fuzz.log" "fuzz"
    else
        tail -20 "$build/fuzz-cfg.log" 2>/dev/null
        step_failed "fuzz build"
    fi
fi

note "summary"
for a in "${archNotes[@]}"; do echo "$a"; done
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
