#!/usr/bin/env bash
# Starts quiro.exe under Wine with a prefix of its own that keeps its settings between runs
# (build/win32/run-prefix). Without a display it starts Xvfb and says how to look at it.
#   scripts/run-quiro.sh EXE [ADDRESS]
set -euo pipefail
exe=$(realpath "$1"); shift
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-harness.sh
source "$here/wine-harness.sh"
export WINEPREFIX=${WINEPREFIX:-$(dirname "$exe")/../../run-prefix}
mkdir -p "$WINEPREFIX"; WINEPREFIX=$(cd "$WINEPREFIX" && pwd)
export WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES='mscoree,mshtml='
export LANG=${QUIRO_WINE_LANG:-ko_KR.UTF-8}
# The program composes Hangul itself: no X input method (Xlib would wait for a server).
export XMODIFIERS=${XMODIFIERS:-@im=none}
xpid=""
if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 20 80); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { disp=":$n"; break; }
    done
    Xvfb "$disp" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xpid=$!
    trap '[ -n "$xpid" ] && kill "$xpid" 2>/dev/null' EXIT
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${disp#:}" ] && break; sleep 0.1; done
    export DISPLAY=$disp
    echo "No DISPLAY: running under Xvfb on $DISPLAY (screenshot: import -display $DISPLAY -window root shot.png)"
    unmanaged=1
fi
# Our own wineserver, so that a COM port's pseudo-terminal never becomes its terminal (see
# wine_start_server); it ends a few seconds after the program.
if ! wineserver -k0 2>/dev/null; then
    wine_start_server "$WINEPREFIX/wineserver.log" 10 >/dev/null || exit 1
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing the Wine prefix $WINEPREFIX (once)"
    wineboot -i >/dev/null 2>&1
fi
[ -n "${unmanaged:-}" ] && wine_unmanaged_windows
echo "Starting $exe ${*:-}"
wine "$exe" "$@"
