#!/usr/bin/env bash
# Takes the screenshots under docs/: the stand-in client with the plug-ins loaded
# (docs/standin.png) and the converter's dialog (docs/cfgshift.png). Starts Xvfb when no display
# is set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${RP_BUILD:-$root/build}/win
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" > /dev/null
cmake --build "$build" -j2 > /dev/null
if [ -z "${DISPLAY:-}" ]; then
    Xvfb :89 -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
    xvfbPid=$!
    trap 'kill $xvfbPid 2>/dev/null' EXIT
    export DISPLAY=:89
    sleep 1
fi
"$build/wine-run.sh" wineboot -i > /dev/null 2>&1 || true
cmake --build "$build" --target standin_screenshot
echo "wrote $root/docs/standin.png"
bash "$root/tests/cfgshift/screenshot.sh" "$build" "$root/docs/cfgshift.png"
