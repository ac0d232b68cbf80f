#!/usr/bin/env bash
# The demo proper, run by tools/demo.sh once the Windows build, INN2 and the display are up.
#   tools/demo/run.sh <windows-build-dir>
# Everything it makes goes to <windows-build-dir>/demo/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
bin=$build/bin
work=$build/demo
wine_run=$build/wine-run.sh
winpath() { "$wine_run" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

rm -rf "$work"
mkdir -p "$work/plugins" "$work/data" "$work/temp"

echo "== 1. The news server: INN2 on 127.0.0.1:119 with the seeded groups"
python3 "$here/show_server.py"

echo
echo "== 2. An old INI configuration becomes Rillpost.xml (Cfgshift.exe, command line)"
printf '%s\r\n' \
    '[Setup]' 'Online=1' 'MaxNum=50' 'EncodeHeader=1' \
    '[Synchronization]' '127.0.0.1\rillpost.test=1' '127.0.0.1\cn.rillpost.chat=2' \
    '[127.0.0.1]' 'ID=news.mb\' 'Login=0' \
    'news.mb\!!!!Inbox\rillpost.test\=rillpost.test' 'rillpost.test=1' \
    'news.mb\!!!!Inbox\rillpost.demo\=rillpost.demo' \
    'news.mb\!!!!Inbox\cn.rillpost.chat\=cn.rillpost.chat' > "$work/Rillpost.ini"
"$wine_run" "$bin/Cfgshift.exe" "$(winpath "$work/Rillpost.ini")" "$(winpath "$work/plugins/Rillpost.xml")"
cat "$work/plugins/Rillpost.xml"

echo
echo "== 3. An IP database for the location plug-in (dbbuild.exe)"
printf '%s\n' \
    '# start end country area' \
    '1.0.0.0 1.255.255.255 DemoLand North' \
    '127.0.0.0 127.255.255.255 Loopback ThisMachine' \
    '203.0.113.0 203.0.113.255 ExampleNet Documentation' > "$work/ranges.txt"
"$wine_run" "$bin/dbbuild.exe" qqwry "$(winpath "$work/ranges.txt")" "$(winpath "$work/QQwry.dat")"
echo "QQwry.dat: $(stat -c %s "$work/QQwry.dat") bytes, $(grep -c '^[0-9]' "$work/ranges.txt") ranges"

echo
echo "== 4. The stand-in mail client with Rillpost.dll, Geomark.dll and Lodestar.dll"
# The lookup library reads its database beside the executable, so the client runs from here.
cp "$bin/Standin.exe" "$work/"
cp "$bin/Rillpost.dll" "$bin/Geomark.dll" "$bin/Lodestar.dll" "$work/plugins/"
status=0
"$wine_run" "$work/Standin.exe" --data "$(winpath "$work/data")\\" --plugins "$(winpath "$work/plugins")\\" \
    --temp "$(winpath "$work/temp")\\" --script "$(winpath "$here/scenario.txt")" \
    --out "$(winpath "$work/scenario.out")" || status=$?
cat "$work/scenario.out"
if [ -f "$work/temp/standin.bmp" ]; then
    convert "$work/temp/standin.bmp" "$work/standin.png" 2>/dev/null && echo "screenshot: $work/standin.png"
fi

echo
echo "== 5. Rillpost.xml after the client closed (per-run read marks reset, every other byte kept)"
cat "$work/plugins/Rillpost.xml"
echo
[ "$status" = 0 ] && echo "demo: done" || echo "demo: the scenario failed (exit $status)"
exit "$status"
