#!/usr/bin/env bash
# The main job against a local INN2 server: builds the Windows binaries, starts INN2 with the
# seeded demo groups, and runs the demo scenario in the stand-in mail client with the real
# plug-in DLLs loaded. Prints what the scenario dumps.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${RP_BUILD:-$root/build}/win
mkdir -p "$build"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" > "$build/../demo-cfg.log"
if ! cmake --build "$build" -j2 > "$build/../demo-build.log" 2>&1; then
    tail -40 "$build/../demo-build.log"
    exit 1
fi

bash "$root/tools/inn.sh" start
bash "$root/tools/inn.sh" seed

if [ -z "${DISPLAY:-}" ]; then
    Xvfb :90 -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
    xvfbPid=$!
    trap 'kill $xvfbPid 2>/dev/null' EXIT
    export DISPLAY=:90
    sleep 1
fi
"$build/wine-run.sh" wineboot -i > /dev/null 2>&1 || true

exec bash "$root/tools/demo/run.sh" "$build"
