#!/usr/bin/env bash
# The main job against a local INN2 server: builds the Windows binaries, starts INN2 with the
# seeded demo groups, and runs the demo scenario in the stand-in mail client with the real
# plug-in DLLs loaded. Prints what the scenario dumps.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${RP_BUILD:-$root/build}
# shellcheck source=tools/winarch.sh
. "$root/tools/winarch.sh"

mkdir -p "$build"

# The deliverables' own arch where 32-bit programs run here, x86_64 elsewhere.
if ! arch=$(rp_pick_arch 2> "$build/demo-build.log"); then
    tail -40 "$build/demo-build.log"
    exit 1
fi
build=$(rp_win_dir "$arch")
echo "demo: Windows programs built for $arch"

bash "$root/tools/inn.sh" start
bash "$root/tools/inn.sh" seed

rp_start_display
"$build/wine-run.sh" wineboot -i > /dev/null 2>&1 || true

bash "$root/tools/demo/run.sh" "$build"
