#!/bin/bash
# Runs one Windows program under Wine: the emulator CMake uses for the cross-compiled tests, and
# the one place the Wine prefix is made (on first use, bounded, since Wine's first start is slow;
# several tests started at once wait for the one that makes it). The prefix is an English Windows
# with a virtual desktop, so that windows have their title bars in screenshots and focus is Wine's
# own affair rather than a window manager's; a crashing program is reported with a backtrace, not
# a dialog that waits for a click.
set -u
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/vexlorin-wine-$(id -u)}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
# Neither Mono nor Gecko is needed, and asking to install them would hang a headless run.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock -w 300 9 || exit 1
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            echo "Making the Wine prefix $WINEPREFIX" >&2
            timeout 240 wineboot -i >/dev/null 2>&1
            setting() { timeout 60 wine reg add "HKCU\\Software\\Wine\\$1" "${@:2}" /f >/dev/null 2>&1; }
            setting Explorer /v Desktop /d Default
            setting 'Explorer\Desktops' /v Default /d 800x600
            setting WineDbg /v ShowCrashDialog /t REG_DWORD /d 0
            timeout 60 wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
