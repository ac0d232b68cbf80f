#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time, two at a time, starting from its
# seed corpus in fuzz/<folder>/corpus/<target>/. New inputs go to a scratch folder, never into the
# checkout. Prints a CTest-style closing line.
#   tools/fuzz.sh <fuzz-build-dir> [seconds]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
seconds=${2:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mapfile -t targets < <(find "$build/fuzz" -type f -name 'fuzz_*' -perm -u+x | sort)
total=${#targets[@]}
bad=0

run_one() {
    local exe=$1 name folder seeds scratch log
    name=$(basename "$exe")
    folder=$(basename "$(dirname "$exe")")
    seeds="$root/fuzz/$folder/corpus/$name"
    scratch="$work/$name"
    mkdir -p "$scratch"
    log="$work/$name.log"
    local args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
                -artifact_prefix="$work/$name-")
    if [ -d "$seeds" ]; then
        "$exe" "${args[@]}" "$scratch" "$seeds" > "$log" 2>&1
    else
        "$exe" "${args[@]}" "$scratch" > "$log" 2>&1
    fi
    local rc=$?
    if [ $rc = 0 ]; then
        echo "fuzz $name: ok ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs)"
    else
        echo "fuzz $name: FAILED (exit $rc)"
        grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -20
        for a in "$work/$name-"*; do
            [ -f "$a" ] && { echo "  input (base64): $(base64 -w0 "$a" | head -c 2000)"; }
        done
        return 1
    fi
}

pids=()
names=()
for exe in "${targets[@]}"; do
    run_one "$exe" > "$work/$(basename "$exe").result" &
    pids+=($!)
    names+=("$(basename "$exe")")
    if [ ${#pids[@]} -ge 2 ]; then
        wait "${pids[0]}" || bad=$((bad + 1))
        cat "$work/${names[0]}.result"
        pids=("${pids[@]:1}"); names=("${names[@]:1}")
    fi
done
for i in "${!pids[@]}"; do
    wait "${pids[$i]}" || bad=$((bad + 1))
    cat "$work/${names[$i]}.result"
done
if [ "$total" = 0 ]; then
    echo "No tests were found!!!"
else
    echo "$(( (total - bad) * 100 / total ))% tests passed, $bad tests failed out of $total"
fi
[ "$bad" = 0 ]
