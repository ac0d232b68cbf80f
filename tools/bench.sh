#!/usr/bin/env bash
# Builds the benchmarks natively, optimized and without sanitizers, and runs each one; every
# benchmark prints its own figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${RP_BUILD:-$root/build}/bench
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRP_SANITIZE=OFF > /dev/null
cmake --build "$build" -j2
status=0
while IFS= read -r exe; do
    printf '\n=== %s\n' "$(basename "$exe")"
    (cd "$(mktemp -d)" && "$exe") || status=1
done < <(find "$build/bench" -type f -name 'bench_*' -perm -u+x | sort)
exit $status
