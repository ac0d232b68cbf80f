#!/usr/bin/env bash
# Takes the screenshots under docs/: the stand-in client with the plug-ins loaded
# (docs/standin.png), the converter's dialog (docs/cfgshift.png), the news plug-in's dialogs and
# the demo's retrieved article (docs/reading.png). Starts Xvfb when no display is set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${RP_BUILD:-$root/build}
# shellcheck source=tools/winarch.sh
. "$root/tools/winarch.sh"
mkdir -p "$build"
arch=$(rp_pick_arch 2> "$build/screenshots-build.log") || { tail -40 "$build/screenshots-build.log"; exit 1; }
build=$(rp_win_dir "$arch")
rp_start_display
"$build/wine-run.sh" wineboot -i > /dev/null 2>&1 || true
cmake --build "$build" --target standin_screenshot
echo "wrote $root/docs/standin.png"
bash "$root/tests/cfgshift/screenshot.sh" "$build" "$root/docs/cfgshift.png"
# The news plug-in's dialogs over the stand-in client, and the Add server, certificate and group
# list dialogs from the programs that test them. docs/pictures.txt then needs
# tools/check_pictures.py --update.
cmake --build "$build" --target ui_screenshots
echo "wrote the dialog pictures in $root/docs"
shots=$build/tests/ui/test-shots
rm -rf "$shots" && mkdir -p "$shots"
RP_SCREENSHOT_DIR=$("$build/wine-run.sh" winepath -w "$shots" 2>/dev/null | tr -d '\r') \
    ctest --test-dir "$build" -R '^(ui_manage_tests|ui_progress_tests)$' --output-on-failure > "$shots.log" 2>&1 \
    || { tail -40 "$shots.log"; exit 1; }
for picture in add-server certificate group-info; do
    convert "$shots/$picture.bmp" "$root/docs/$picture.png"
    echo "wrote $root/docs/$picture.png"
done
# The demo's view of a retrieved article: placeholders from INN2 and one of them opened.
RP_BUILD=${RP_BUILD:-$root/build} bash "$root/tools/demo.sh" > "$build/../screenshots-demo.log" 2>&1 \
    || { tail -40 "$build/../screenshots-demo.log"; exit 1; }
cp "$build/demo/standin.png" "$root/docs/reading.png"
echo "wrote $root/docs/reading.png"
