#!/usr/bin/env bash
# Builds the benchmarks and runs each one; every benchmark prints its own figures. The native
# part runs optimized and without sanitizers; the Windows part runs the Windows build of the
# arch that runs here (i686 where 32-bit programs run, x86_64 elsewhere) under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${RP_BUILD:-$root/build}
# shellcheck source=tools/winarch.sh
. "$root/tools/winarch.sh"
status=0

# The benchmarks against INN2 read a group of 10,000 articles; posting it takes a while once.
# The TLS benchmark reads the same article over NNTPS on 563.
if ! { bash "$root/tools/inn.sh" start && bash "$root/tools/inn.sh" seed-bench && bash "$root/tools/inn.sh" tls > /dev/null; }; then
    echo "bench.sh: the INN2 benchmark group is not available" >&2
    status=1
fi

bench=$build/bench
cmake -S "$root" -B "$bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRP_SANITIZE=OFF > /dev/null
cmake --build "$bench" -j2
while IFS= read -r exe; do
    printf '\n=== native: %s\n' "$(basename "$exe")"
    (cd "$(mktemp -d)" && "$exe") || status=1
done < <(find "$bench/bench" -type f -name 'bench_*' -perm -u+x | sort)

arch=$(rp_pick_arch)
dir=$(rp_win_dir "$arch")
rp_start_display
# The group-list benchmark reads a large LIST from the scripted news server.
fake=$(mktemp -d)
if python3 "$root/tests/nntp/fake_nntp_server.py" start "$fake"; then
    export RP_FAKE_NNTP_DIR=$fake
    trap 'python3 "$root/tests/nntp/fake_nntp_server.py" stop "$fake"' EXIT
else
    echo "bench.sh: the scripted news server did not start" >&2
    status=1
fi
"$dir/wine-run.sh" wineboot -i > /dev/null 2>&1 || true
while IFS= read -r exe; do
    printf '\n=== windows %s: %s\n' "$arch" "$(basename "$exe")"
    (cd "$(mktemp -d)" && "$dir/wine-run.sh" "$exe") || status=1
done < <(find "$dir/bin" -maxdepth 1 -type f -name 'bench_*.exe' | sort)
exit $status
