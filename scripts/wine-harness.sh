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

# Starts the wineserver of WINEPREFIX in the foreground mode, as a child of this shell, and
# prints its pid once clients can reach it. Started the usual way it detaches itself into a
# session of its own, and the first pseudo-terminal it opens for a COM port becomes its
# controlling terminal: each hang-up of that line then signals it, it lists all its objects
# and may crash. A process that is not a session leader never gets a controlling terminal.
# The server and every client find each other through a folder whose name the first of
# them writes into the prefix ("wineserver"); a client that looks for the server before the
# server has written it writes a name of its own, and the two never meet. So a first look,
# which finds no server but settles the name, comes before the server.
wine_start_server() {  # log [persistence-seconds]
    local log=$1 keep=${2:-}
    wineserver -k0 >/dev/null 2>&1
    wineserver -f -p$keep </dev/null >"$log" 2>&1 &
    local spid=$! t0=$SECONDS
    until wineserver -k0 2>/dev/null; do
        kill -0 "$spid" 2>/dev/null || { echo "harness: wineserver did not start (see $log)" >&2; return 1; }
        if [ $((SECONDS - t0)) -ge ${QUIRO_SERVER_WAIT:-60} ]; then
            echo "harness: wineserver $spid does not answer after ${QUIRO_SERVER_WAIT:-60} s (see $log); the prefix names $(cat "$WINEPREFIX/wineserver" 2>/dev/null), the server has $(readlink "/proc/$spid/fd/5")" >&2
            kill "$spid" 2>/dev/null; return 1
        fi
        sleep 0.05
    done
    local sid
    sid=$(awk '{print $6}' "/proc/$spid/stat" 2>/dev/null)
    if [ "$sid" = "$spid" ]; then
        echo "harness: wineserver $spid leads a session of its own, so a COM port's pseudo-terminal could become its terminal and its hang-ups would signal it" >&2
        kill "$spid" 2>/dev/null; return 1
    fi
    echo "$spid"
}

# Pids of the processes (but this shell's own) whose environment holds exactly VAR=VALUE.
wine_pids_with_env() {  # VAR=VALUE
    local p pid
    for p in /proc/[0-9]*; do
        pid=${p#/proc/}
        [ "$pid" = $$ ] || [ "$pid" = "${BASHPID:-$$}" ] && continue
        grep -qzxF -- "$1" "$p/environ" 2>/dev/null && echo "$pid"
    done
}

# What a pid runs, for messages: "name (pid)".
wine_describe_pids() {
    local pid out=()
    for pid in "$@"; do
        out+=("$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | cut -c1-100 | sed 's/ *$//') ($pid)")
    done
    local IFS=';'
    echo "${out[*]}"
}

# Ends every process still running with WINEPREFIX=prefix (a Wine program or a host program
# that a test started under it). Prints what it found; fails when something survives.
wine_sweep_prefix() {  # prefix
    local pids
    mapfile -t pids < <(wine_pids_with_env "WINEPREFIX=$1")
    [ ${#pids[@]} -eq 0 ] && return 0
    echo "$(wine_describe_pids "${pids[@]}")"
    kill -TERM "${pids[@]}" 2>/dev/null
    local i p left
    for i in $(seq 1 40); do
        left=()
        for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && left+=("$p"); done
        [ ${#left[@]} -eq 0 ] && return 0
        sleep 0.05
    done
    kill -KILL "${left[@]}" 2>/dev/null
    for i in $(seq 1 100); do
        local alive=()
        for p in "${left[@]}"; do
            # (a zombie has ended; its parent has yet to collect it)
            [ "$(awk '{print $3}' "/proc/$p/stat" 2>/dev/null)" = Z ] || { kill -0 "$p" 2>/dev/null && alive+=("$p"); }
        done
        [ ${#alive[@]} -eq 0 ] && return 0
        sleep 0.05
    done
    echo "harness: $(wine_describe_pids "${alive[@]}") would not end" >&2
    return 1
}

# Runs in a subshell: nothing it exports reaches the caller, whose own processes must not
# look like the prefix's (the stop ends everything that runs with its WINEPREFIX).
wine_harness_start() (  # tree
    set +e  # (failures are handled here, also when called from a script with errexit)
    local tree=${1:-build/win32}
    mkdir -p "$tree"
    tree=$(cd "$tree" && pwd)
    local envf="$tree/wine-env.sh"
    [ -f "$envf" ] && wine_harness_stop "$tree"
    # A prefix of a new name each run: a Wine process of an earlier run that is still ending
    # could otherwise start a server of its own in the new prefix and take its place.
    local old
    for old in "$tree"/wineprefix*; do
        [ -d "$old" ] || continue
        wine_sweep_prefix "$old" >/dev/null
        rm -rf "$old"
    done
    local prefix
    prefix=$(mktemp -d "$tree/wineprefix.XXXXXX") || return 1
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
            env -u WINEPREFIX Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$tree/xvfb.log" 2>&1 &
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
    # A persistent wineserver for this prefix first, then the prefix.
    local spid
    spid=$(wine_start_server "$tree/wineserver.log") || { [ -n "$xpid" ] && kill "$xpid" 2>/dev/null; return 1; }
    if ! LANG=ko_KR.UTF-8 wineboot -i >"$tree/wineboot.log" 2>&1; then
        echo "harness: wineboot failed (see $tree/wineboot.log)" >&2
        wineserver -k 2>/dev/null; wine_sweep_prefix "$prefix" >/dev/null
        [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
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
)

wine_harness_stop() (  # tree
    set +e
    local tree=${1:-build/win32}
    local envf="$tree/wine-env.sh"
    [ -f "$envf" ] || return 0
    # shellcheck disable=SC1090
    source "$envf"
    # Ends this prefix's wineserver (and the Wine processes it still serves), then anything
    # still running under the prefix: nothing of a run outlives it.
    local status=0 i left=""
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
    if [ -n "${QUIRO_WINESERVER_PID:-}" ]; then
        for i in $(seq 1 100); do kill -0 "$QUIRO_WINESERVER_PID" 2>/dev/null || break; sleep 0.05; done
        kill -KILL "$QUIRO_WINESERVER_PID" 2>/dev/null
    fi
    # Until nothing is left: a process that ends may start another (a Wine program whose
    # server has gone starts a new one).
    local found round
    for round in $(seq 1 20); do
        found=$(wine_sweep_prefix "$WINEPREFIX") || status=1
        [ -z "$found" ] && break
        left+="${left:+;}$found"
    done
    [ -n "$found" ] && { echo "harness: processes kept starting under the prefix" >&2; status=1; }
    # The server's folder (see wine_start_server) goes with it.
    local dir
    dir=$(cat "$WINEPREFIX/wineserver" 2>/dev/null)
    [[ "$dir" =~ ^wine-[A-Za-z0-9]+$ ]] && rm -rf "${TMPDIR:-/tmp}/$dir"
    [ -n "$left" ] && echo "harness: stopped what was left running under the prefix: $left" >&2
    [ -n "${QUIRO_XVFB_PID:-}" ] && kill "$QUIRO_XVFB_PID" 2>/dev/null || true
    rm -f "$envf"
    return $status
)

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    cd "$(dirname "$0")/.."
    case "${1:-}" in
        start) wine_harness_start "${2:-build/win32}" ;;
        stop) wine_harness_stop "${2:-build/win32}" ;;
        *) echo "usage: $0 start|stop [TREE]" >&2; exit 2 ;;
    esac
fi
