#!/bin/bash
# Runs one Windows program under Wine: the emulator CMake uses for the cross-compiled tests.
# The Wine prefix is made on first use (bounded, since Wine's first start is slow); several tests
# started at once wait for the one that makes it.
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
            timeout 240 wineboot -i >/dev/null 2>&1
            timeout 60 wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
