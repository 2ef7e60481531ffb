#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, and builds libjpeg-turbo for
# mingw from Debian's own source package. Idempotent: when everything is present it only
# checks and returns.
#   scripts/setup.sh               install what is missing
#   scripts/setup.sh --jpeg-prefix print the folder of the mingw libjpeg-turbo build
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cache=${QUIRO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quiro}

die() { echo "setup: $*" >&2; exit 1; }

jpeg_version() {
    # The version of the libjpeg-turbo source Debian serves (same as the installed -dev).
    dpkg-query -W -f='${Version}' libjpeg62-turbo-dev 2>/dev/null | sed 's/^[0-9]*://'
}

jpeg_prefix() {
    local v
    v=$(jpeg_version)
    [ -n "$v" ] || die "libjpeg62-turbo-dev is not installed; run scripts/setup.sh first"
    echo "$cache/libjpeg-turbo-$v-i686-w64-mingw32"
}

if [ "${1:-}" = "--jpeg-prefix" ]; then
    jpeg_prefix
    exit 0
fi

# ---- Debian packages --------------------------------------------------------------------
mapfile -t wanted < <(grep -hvE '^\s*(#|$)' "$here"/apt-packages.txt | awk '{print $1}')
missing=()
for p in "${wanted[@]}"; do
    st=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$st" = "installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    [ "$(id -u)" = 0 ] || die "these packages are missing and installing them needs root: ${missing[*]}"
    command -v apt-get >/dev/null || die "apt-get not found: this script expects Debian 12"
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null || die "apt-get update failed"
    # With recommended packages: Wine's X11 extensions and its own fonts come that way.
    if ! apt-get install -y -qq "${missing[@]}" >/tmp/quiro-apt.log 2>&1; then
        tail -20 /tmp/quiro-apt.log >&2
        die "installing packages failed (see /tmp/quiro-apt.log)"
    fi
fi

# ---- The Korean locale: Wine takes its ANSI code page (949) and language from it -----------
if ! locale -a 2>/dev/null | grep -qix 'ko_KR.utf8'; then
    [ "$(id -u)" = 0 ] || die "the ko_KR.UTF-8 locale is missing and generating it needs root"
    echo "setup: generating the ko_KR.UTF-8 locale"
    if grep -qE '^#? *ko_KR.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        sed -i 's/^# *ko_KR.UTF-8 UTF-8/ko_KR.UTF-8 UTF-8/' /etc/locale.gen
    else
        echo 'ko_KR.UTF-8 UTF-8' >>/etc/locale.gen
    fi
    locale-gen >/dev/null 2>&1 || die "locale-gen failed"
fi

# ---- libjpeg-turbo for mingw, from Debian's source package -------------------------------
prefix=$(jpeg_prefix)
if [ ! -f "$prefix/lib/libjpeg.a" ]; then
    [ "$(id -u)" = 0 ] || die "building libjpeg-turbo for mingw needs root (deb-src entry)"
    if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        # Add a deb-src line mirroring the first main-component deb line the machine uses.
        line=$(grep -hE '^deb\s' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
               grep -E '\smain(\s|$)' | grep -v security | head -1 || true)
        if [ -n "$line" ]; then
            echo "${line/deb /deb-src }" >/etc/apt/sources.list.d/quiro-src.list
        else
            src=$(ls /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1 || true)
            [ -n "$src" ] || die "no apt source found to derive a deb-src entry from"
            sed 's/^Types: *deb *$/Types: deb-src/' "$src" >/etc/apt/sources.list.d/quiro-src.sources
        fi
        apt-get update -qq >/dev/null || die "apt-get update failed"
    fi
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    echo "setup: building libjpeg-turbo $(jpeg_version) for i686-w64-mingw32 (once)"
    (cd "$work" && apt-get source -qq libjpeg-turbo >/dev/null 2>&1) ||
        die "apt-get source libjpeg-turbo failed"
    srcdir=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'libjpeg-turbo-*' | head -1)
    [ -n "$srcdir" ] || die "libjpeg-turbo source not unpacked"
    build() {
        cmake -S "$srcdir" -B "$work/build" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/mingw-i686.cmake" \
            -DCMAKE_CROSSCOMPILING_EMULATOR= \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
            -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
            -DCMAKE_INSTALL_LIBDIR=lib "$@" >"$work/cmake.log" 2>&1 &&
        ninja -C "$work/build" jpeg-static >"$work/ninja.log" 2>&1
    }
    if ! build -DWITH_SIMD=ON; then
        echo "setup: SIMD build of libjpeg-turbo failed; building without SIMD"
        rm -rf "$work/build"
        build -DWITH_SIMD=OFF || { tail -20 "$work"/*.log >&2; die "libjpeg-turbo build failed"; }
    fi
    mkdir -p "$prefix/lib" "$prefix/include"
    cp "$work/build/libjpeg.a" "$prefix/lib/"
    cp "$srcdir/jpeglib.h" "$srcdir/jerror.h" "$srcdir/jmorecfg.h" "$work/build/jconfig.h" \
        "$prefix/include/"
fi
