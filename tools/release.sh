#!/usr/bin/env bash
# Builds the deliverables of one arch in Release mode in a build folder of its own (and the
# database builder for this machine in <build folder>-tools) and packs
# them with the sample database, the read-me, the guide (when docs/guide.md exists) and their
# checksums into <out>/Rillpost-<version>[-x86_64].zip. Prints the zip's path on its last line.
#   release.sh [i686|x86_64] [build folder] [out folder]
# Defaults: i686 (what users install), build/release-<arch>, dist/. The same commit packed in
# any two build folders gives byte-identical zips; the i686 zip is the one users download, the
# x86_64 one exists so that the package can be run here where 32-bit programs cannot run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-i686}
case $arch in i686|x86_64) ;; *) echo "release.sh: arch is i686 or x86_64, not $arch" >&2; exit 2 ;; esac
dir=${2:-$root/build/release-$arch}
out=${3:-$root/dist}
mkdir -p "$dir" "$out"
dir=$(cd "$dir" && pwd)
out=$(cd "$out" && pwd)
version=$(tr -d ' \r\n' < "$root/VERSION")
name=Rillpost-$version
[ "$arch" = i686 ] || name=$name-$arch

launcher=()
if command -v ccache > /dev/null; then
    # Build folders at the same depth (build/win, build/release-i686, ...) then share compiled
    # objects: a release after a test build, or a second one of the same commit, costs little.
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

echo "release: building the $arch deliverables in $dir"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" "${launcher[@]}" > "$dir.cfg.log" 2>&1 \
    || { tail -20 "$dir.cfg.log"; exit 1; }
cmake --build "$dir" -j2 --target Rillpost Geomark Lodestar Cfgshift

# The database builder runs here, so it is built for this machine (without the sanitizers of
# the test build: it only has to write the sample).
cmake -S "$root" -B "$dir-tools" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRP_SANITIZE=OFF \
    "${launcher[@]}" > "$dir-tools.cfg.log" 2>&1 || { tail -20 "$dir-tools.cfg.log"; exit 1; }
cmake --build "$dir-tools" -j2 --target dbbuild

stage=$dir/package
rm -rf "$stage"
mkdir -p "$stage/PlugIns"
for f in Rillpost.dll Geomark.dll Lodestar.dll; do
    cp "$dir/bin/$f" "$stage/PlugIns/"
done
cp "$dir/bin/Cfgshift.exe" "$stage/"
"$dir-tools/tools/dbbuild/dbbuild" qqwry "$root/tools/release/sample-ranges.txt" "$stage/QQwry.sample.dat"
if [ -f "$root/docs/guide.md" ]; then
    command -v pandoc > /dev/null || { echo "release: pandoc is missing (run tools/setup.sh)" >&2; exit 1; }
    # Run from docs/ so that the guide's pictures are found and embedded.
    (cd "$root/docs" && pandoc --self-contained --metadata pagetitle="Rillpost $version" \
        -o "$stage/Guide.html" guide.md)
fi

commitTime=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)
python3 "$root/tools/release_pack.py" --version "$version" --time "$commitTime" \
    --readme "$root/tools/release/ReadMe.txt" "$stage" "$out/$name.zip"
echo "$out/$name.zip"
