#!/usr/bin/env bash
# Installs every system package that building, testing and the demo need.
# Idempotent: a second run on a set-up machine only checks and returns.
set -euo pipefail

stamp=/var/lib/rillpost-setup.v1
if [ -f "$stamp" ] && command -v wine >/dev/null && command -v i686-w64-mingw32-g++-posix >/dev/null \
   && command -v Xvfb >/dev/null && [ -x /usr/lib/news/bin/innd ]; then
    exit 0
fi

if [ "$(id -u)" != 0 ]; then
    echo "setup.sh: must run as root to install packages" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# Keep package scripts from starting services on their own; the tests start INN2 themselves.
if [ ! -f /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d
    chmod +x /usr/sbin/policy-rc.d
fi

dpkg --add-architecture i386
apt-get update -q

pkgs=(
    build-essential cmake ninja-build python3 binutils
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    wine wine32:i386 xvfb x11-utils xdotool imagemagick
    clang-14 libclang-rt-14-dev llvm-14
    googletest libgmime-3.0-dev pkg-config
    fonts-wqy-microhei fonts-noto-cjk locales
    inn2
)
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

# The zh_CN.UTF-8 locale gives Wine the GBK code page (936).
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen
fi

touch "$stamp"
echo "setup.sh: done"
