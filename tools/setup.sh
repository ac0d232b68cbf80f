#!/usr/bin/env bash
# Installs every system package that building, testing and the demo need.
# Idempotent: a second run on a set-up machine checks every command, package and locale it
# needs and returns when nothing is missing; anything missing is installed again.
set -euo pipefail

pkgs=(
    build-essential cmake ninja-build python3 binutils
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    wine wine64 wine32:i386 xvfb x11-utils xdotool imagemagick
    clang-14 libclang-rt-14-dev llvm-14
    googletest libgmime-3.0-dev pkg-config
    fonts-wqy-microhei fonts-noto-cjk locales
    inn2 openssl
    python3-sabyenc python3-yenc libz-mingw-w64-dev
    ccache pandoc
)
cmds=(
    cmake ninja python3 openssl clang-14 clang++-14 wine Xvfb xdpyinfo xdotool convert pkg-config
    i686-w64-mingw32-g++-posix i686-w64-mingw32-gcc-posix i686-w64-mingw32-objdump i686-w64-mingw32-nm
    i686-w64-mingw32-windres
    x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-objdump
    x86_64-w64-mingw32-nm x86_64-w64-mingw32-windres
    ccache pandoc
)

incoming=/etc/news/incoming.conf
innconf=/etc/news/inn.conf
# Articles up to this size (bytes) pass INN2 both ways: larger than the 25 MB that tests post.
artsize=33554432

# Prints the INN2 settings that the tests rely on and that are not made yet, one a line.
missing_inn_settings() {
    local key value
    # A loopback peer is taken for a news feed and answers reader commands with "401
    # MODE-READER": loopback clients must meet the reader server at once.
    if sed -n '/^peer ME {/,/^}/p' "$incoming" 2>/dev/null | grep -Eq 'localhost|127\.0\.0\.1|::1'; then
        echo "INN2 loopback readers (peer ME)"
    fi
    for key in maxartsize localmaxartsize; do
        value=$(sed -n "s/^$key:[[:space:]]*\([0-9]*\).*/\1/p" "$innconf" 2>/dev/null | tail -n 1)
        [ "${value:-0}" -ge "$artsize" ] || echo "INN2 $key"
    done
    # INN2 keeps to 127.0.0.1, so that port 119 of the other loopback addresses stays free for
    # the scripted news server.
    grep -q '^bindaddress:[[:space:]]*127\.0\.0\.1' "$innconf" 2>/dev/null || echo "INN2 bindaddress"
}

# Makes the settings of missing_inn_settings; a running innd takes them over at once.
configure_inn() {
    local key
    sed -i '/^peer ME {/,/^}/{/^[[:space:]]*hostname:/d}' "$incoming"
    for key in maxartsize localmaxartsize; do
        if grep -q "^$key:" "$innconf"; then
            sed -i "s/^$key:.*/$key: $artsize/" "$innconf"
        else
            echo "$key: $artsize" >> "$innconf"
        fi
    done
    grep -q '^bindaddress:' "$innconf" || echo 'bindaddress: 127.0.0.1' >> "$innconf"
    sed -i 's/^bindaddress:.*/bindaddress: 127.0.0.1/' "$innconf"
    if pgrep -x innd > /dev/null; then
        su news -s /bin/sh -c "/usr/lib/news/bin/ctlinnd -t 30 xexec innd" > /dev/null || true
        # The new innd takes a moment before it accepts again.
        for _ in $(seq 1 30); do
            (exec 3<> /dev/tcp/127.0.0.1/119) 2> /dev/null && break
            sleep 0.5
        done
    fi
}

# Prints what is missing, one item a line; nothing when the machine is set up.
missing() {
    missing_installed
    [ ! -f "$innconf" ] || missing_inn_settings
}

missing_installed() {
    local c p
    for c in "${cmds[@]}"; do command -v "$c" > /dev/null || echo "command $c"; done
    for p in "${pkgs[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "package $p"
    done
    [ -x /usr/lib/wine/wine64 ] || command -v wine64 > /dev/null || echo "the 64-bit Wine loader"
    [ -x /usr/lib/news/bin/innd ] || echo "INN2 (innd)"
    [ -f /usr/src/googletest/CMakeLists.txt ] || echo "GoogleTest sources"
    locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$' || echo "locale zh_CN.UTF-8"
    grep -q '^domain:' /etc/news/inn.conf 2>/dev/null || echo "INN2 domain setting"
}

gaps=$(missing)
if [ -z "$gaps" ]; then
    exit 0
fi
echo "setup.sh: missing:" $gaps
if [ "$(id -u)" != 0 ]; then
    echo "setup.sh: must run as root to install packages and configure INN2" >&2
    exit 1
fi
if [ -z "$(missing_installed)" ]; then
    configure_inn
    gaps=$(missing)
    [ -z "$gaps" ] || { echo "setup.sh: still missing:" $gaps >&2; exit 1; }
    echo "setup.sh: done"
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
# Keep package scripts from starting services on their own; the tests start INN2 themselves.
if [ ! -f /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d
    chmod +x /usr/sbin/policy-rc.d
fi

dpkg --add-architecture i386
apt-get update -q

apt-get install -y -q -o Dpkg::Options::=--force-confold -o Dpkg::Options::=--force-confdef "${pkgs[@]}" || true

# INN2's configure step fails until inn.conf names a domain (the machine has no FQDN). Add
# one to the own inn.conf (shipped by inn2-inews) and finish configuring. An inn.conf without pathnews is not
# the package's file (an earlier broken run): bring the package's file back first.
conf=/etc/news/inn.conf
if [ -f "$conf" ] && ! grep -q '^pathnews:' "$conf"; then
    rm -f "$conf"
    apt-get install -y -q --reinstall -o Dpkg::Options::=--force-confmiss inn2-inews || true
fi
grep -q '^domain:' "$conf" || echo 'domain: localdomain' >> "$conf"
grep -q '^pathhost:' "$conf" || echo 'pathhost: localhost' >> "$conf"
dpkg --configure -a
apt-get install -y -q -o Dpkg::Options::=--force-confold "${pkgs[@]}"

configure_inn

# The zh_CN.UTF-8 locale gives Wine the GBK code page (936).
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen
fi

gaps=$(missing)
if [ -n "$gaps" ]; then
    echo "setup.sh: still missing after the install:" $gaps >&2
    exit 1
fi
echo "setup.sh: done"
