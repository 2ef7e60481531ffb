#!/usr/bin/env bash
# The Wine test harness: one fresh Wine prefix inside the build tree per run, a persistent
# wineserver (a Wine start then costs a fraction of a second) and an Xvfb display for
# windowed tests. Used by scripts/run-tests.sh, and by hand:
#   scripts/wine-harness.sh start [TREE]   # TREE defaults to build/win32
#   scripts/wine-run build/win32/framework_win32_tests --gtest_filter=Loop.*
#   ctest --test-dir build/win32 -R console_win32_tests --output-on-failure
#   scripts/wine-harness.sh stop [TREE]
# The settings go to TREE/wine-env.sh, which scripts/wine-run reads.
# Wine runs with LANG=ko_KR.UTF-8 (ANSI code page 949, language 1042); QUIRO_WINE_LANG=C
# runs one command under code page 1252 instead.

wine_harness_env() {  # tree
    echo "$(cd "${1:-build/win32}" && pwd)/wine-env.sh"
}

wine_unmanaged_windows() {
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
}

wine_harness_start() {  # tree
    local tree=${1:-build/win32}
    mkdir -p "$tree"
    tree=$(cd "$tree" && pwd)
    local envf="$tree/wine-env.sh"
    [ -f "$envf" ] && wine_harness_stop "$tree"
    local prefix="$tree/wineprefix"
    rm -rf "$prefix"; mkdir -p "$prefix"
    # No X input method: the program composes Hangul itself, and under a Korean locale
    # Xlib would otherwise wait seconds for an input-method server at every first window.
    export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        XMODIFIERS=@im=none
    local disp="" xpid=""
    if [ -z "${QUIRO_USE_DISPLAY:-}" ]; then
        # Several trees may start a harness at once: a display number another Xvfb took
        # first makes ours exit, and then the next free number is tried.
        local n i
        for n in $(seq 90 160); do
            [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$tree/xvfb.log" 2>&1 &
            xpid=$!
            for i in $(seq 1 100); do
                kill -0 "$xpid" 2>/dev/null || break
                # Ours only when the display's lock names our Xvfb.
                if [ -e "/tmp/.X11-unix/X$n" ] &&
                    [ "$(tr -d ' ' <"/tmp/.X$n-lock" 2>/dev/null)" = "$xpid" ]; then
                    disp=":$n"; break
                fi
                sleep 0.1
            done
            [ -n "$disp" ] && kill -0 "$xpid" 2>/dev/null && break
            kill "$xpid" 2>/dev/null; xpid=""; disp=""
        done
        [ -n "$disp" ] || { echo "harness: Xvfb failed on every free display number" >&2; return 1; }
    else
        disp=$DISPLAY
    fi
    export DISPLAY="$disp"
    local t0=$SECONDS
    # A persistent wineserver for this prefix first (it detaches itself), then the prefix.
    # Its own output goes to a log: the first pseudo-terminal it opens for a COM port becomes
    # its terminal, and when that line hangs up it lists all its objects.
    wineserver -p >"$tree/wineserver.log" 2>&1 || { echo "harness: wineserver did not start" >&2; return 1; }
    local spid
    spid=$(pgrep -n -u "$(id -u)" wineserver || true)
    if ! LANG=ko_KR.UTF-8 wineboot -i >"$tree/wineboot.log" 2>&1; then
        echo "harness: wineboot failed (see $tree/wineboot.log)" >&2
        wineserver -k 2>/dev/null; [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
        return 1
    fi
    # Without a window manager Wine must place and decorate its windows itself (else it
    # waits for a manager that never answers, and windows have no caption).
    wine_unmanaged_windows
    # A program that crashes ends at once: Wine's own debugger, started on a crash, waits
    # for ever under the harness and leaves the test run hanging.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
        /d 'cmd /c exit %ld %ld' /f >/dev/null 2>&1
    cat >"$envf" <<ENV
export WINEPREFIX='$prefix'
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
export DISPLAY='$disp'
export XMODIFIERS=@im=none
QUIRO_XVFB_PID='$xpid'
QUIRO_WINESERVER_PID='$spid'
ENV
    echo "harness: Wine prefix ready in $((SECONDS - t0)) s (display $disp)"
}

wine_harness_stop() {  # tree
    local tree=${1:-build/win32}
    local envf="$tree/wine-env.sh"
    [ -f "$envf" ] || return 0
    # shellcheck disable=SC1090
    source "$envf"
    # Ends this prefix's wineserver (and the Wine processes it still serves).
    if ! WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null; then
        # (processes of an earlier run may be gone already: that is not a failure)
        [ -n "${QUIRO_WINESERVER_PID:-}" ] && kill "$QUIRO_WINESERVER_PID" 2>/dev/null || true
    fi
    [ -n "${QUIRO_XVFB_PID:-}" ] && kill "$QUIRO_XVFB_PID" 2>/dev/null || true
    rm -f "$envf"
    return 0
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    cd "$(dirname "$0")/.."
    case "${1:-}" in
        start) wine_harness_start "${2:-build/win32}" ;;
        stop) wine_harness_stop "${2:-build/win32}" ;;
        *) echo "usage: $0 start|stop [TREE]" >&2; exit 2 ;;
    esac
fi
