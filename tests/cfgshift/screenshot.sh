#!/usr/bin/env bash
# Takes the picture of the converter's dialog for the documentation.
#   DISPLAY=:95 tests/cfgshift/screenshot.sh <windows-build-dir> [<output.png>]
# Needs an X server on DISPLAY (Xvfb is enough), xdotool and ImageMagick's import.
set -euo pipefail

build=$(cd "${1:?usage: screenshot.sh <windows-build-dir> [<output.png>]}" && pwd)
out=${2:-$(cd "$(dirname "$0")/../.." && pwd)/docs/cfgshift.png}
: "${DISPLAY:?screenshot.sh needs DISPLAY (an X server such as Xvfb)}"

run="$build/wine-run.sh"
exe="$build/bin/Cfgshift.exe"
[ -x "$run" ] && [ -f "$exe" ] || { echo "screenshot.sh: build Cfgshift first ($exe)" >&2; exit 1; }

# The caption buttons are drawn with Wine's Marlett font, which a fresh prefix may lack.
prefix=$(sed -n 's/^export WINEPREFIX="\(.*\)"$/\1/p' "$run")
for fonts in /usr/share/wine/fonts /usr/lib/wine/fonts; do
    if [ -n "$prefix" ] && [ -f "$fonts/marlett.ttf" ] && [ -d "$prefix/drive_c/windows/Fonts" ] &&
       [ ! -f "$prefix/drive_c/windows/Fonts/marlett.ttf" ]; then
        cp "$fonts/marlett.ttf" "$prefix/drive_c/windows/Fonts/"
    fi
done

# Without a window manager Wine draws the caption itself only for unmanaged windows; this is
# set for Cfgshift.exe alone.
"$run" reg add 'HKCU\Software\Wine\AppDefaults\Cfgshift.exe\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

"$run" "$exe" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

win=$(timeout 60 xdotool search --sync --onlyvisible --name '^Cfgshift$' | head -n 1)
[ -n "$win" ] || { echo "screenshot.sh: the dialog did not appear" >&2; exit 1; }
sleep 1  # let the first paint finish
import -window "$win" "$out"
xdotool key --window "$win" Escape 2>/dev/null || true
for _ in 1 2 3 4 5 6 7 8 9 10; do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
done
echo "wrote $out"
