# Shared by the runners: the two Windows builds and the question which of them runs here.
# Source it after setting $root and $build.
#
# i686 builds the deliverables that users install; it always builds and is always checked
# statically. x86_64 builds the same sources so that the Windows suite also runs on machines
# whose kernel cannot execute 32-bit code.

rp_win_dir() {  # <arch>: the build folder of that arch
    case $1 in
        i686) echo "$build/win" ;;
        x86_64) echo "$build/win64" ;;
    esac
}

rp_win_build() {  # <arch> [build type]: configures and builds; returns non-zero on failure
    local arch=$1 type=${2:-Release} dir
    dir=$(rp_win_dir "$arch")
    mkdir -p "$dir"
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" > "$dir.cfg.log" 2>&1 \
        || { tail -20 "$dir.cfg.log"; return 1; }
    cmake --build "$dir" -j2
}

# Prints "yes" when the arch's probe, built in its build folder, runs under Wine and names its
# own arch; "no" otherwise. RP_WINE_BROKEN=<arch> makes the probe fail on purpose, to show what
# a machine without that arch does.
rp_win_runs() {  # <arch>
    local arch=$1 dir out
    dir=$(rp_win_dir "$arch")
    if [ "${RP_WINE_BROKEN:-}" = "$arch" ]; then
        echo no; return
    fi
    out=$(timeout 300 "$dir/wine-run.sh" "$dir/bin/ArchProbe.exe" 2>&1 | tr -d '\r' | tail -n 3)
    if grep -q "^rillpost arch probe: $arch " <<<"$out"; then
        echo yes
    else
        echo "probe for $arch printed: ${out:-nothing}" >&2
        echo no
    fi
}

# The arch that the demo, the screenshots and the benchmarks use: the deliverables' own where
# they run, x86_64 elsewhere. Builds what it probes. Prints the arch.
rp_pick_arch() {
    rp_win_build i686 >&2 || return 1
    if [ "$(rp_win_runs i686)" = yes ]; then
        echo i686; return
    fi
    echo "32-bit Windows programs do not run here: using the x86_64 build" >&2
    rp_win_build x86_64 >&2 || return 1
    echo x86_64
}

rp_start_display() {  # starts a private Xvfb when no display is set; returns non-zero if none
    [ -n "${DISPLAY:-}" ] && return 0
    local n
    for n in 99 98 97 96 95 94; do
        if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
            Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
            rpXvfbPid=$!
            export DISPLAY=:$n
            trap 'kill $rpXvfbPid 2>/dev/null' EXIT
            local i
            for i in 1 2 3 4 5 6 7 8 9 10; do
                xdpyinfo > /dev/null 2>&1 && return 0
                sleep 0.5
            done
            echo "Xvfb did not start on :$n" >&2
            return 1
        fi
    done
    echo "no free X display number" >&2
    return 1
}
