#!/bin/bash
# Runs the Windows build's tests under Wine on a virtual X display, all waits bounded.
#
#   tests/windows/run_wine_tests.sh [<build folder, default build-windows>] [ctest options...]
#
# The Wine prefix lives in the build folder and is made on the first run (Wine's first start takes
# a while). It uses a Wine virtual desktop, so windows have their title bars in the screenshots
# and focus is Wine's own affair rather than a window manager's.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../../build-windows}" && pwd)"
shift || true

export WINEPREFIX="$build/wine-prefix"
export WINEDEBUG=-all
# English Windows with the ANSI code page 1252, whatever the machine's own locale; file names
# cross to Linux as UTF-8.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="

inside_display() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Making the Wine prefix $WINEPREFIX"
        timeout 300 wineboot -i >/dev/null 2>&1 || { echo "wineboot failed or timed out"; exit 1; }
        timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f \
            >/dev/null 2>&1
        # A crashing test is reported with a backtrace, not a dialog that waits for a click.
        timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
            /d 0 /f >/dev/null 2>&1
        timeout 60 wineserver -w
    fi
    # One Wine server for the whole run: each test program then starts in a fraction of a second.
    # Its helper processes (services, the desktop) are started here, away from the output pipes
    # of the tests, which they would otherwise inherit and hold open.
    wineserver -p
    timeout 120 wine cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 || true
    status=0
    # A test that fails is run once more: now and then Wine's own loader trips over an assertion
    # as a process ends ("Inconsistency detected by ld.so: dl-fini.c"), after the test passed.
    timeout 900 ctest --test-dir "$build" --output-on-failure --repeat until-pass:2 "$@" ||
        status=$?
    timeout 30 wineserver -k 2>/dev/null || true
    return $status
}

if [ "${VEX_INSIDE_DISPLAY:-}" = 1 ]; then
    inside_display "$@"
else
    export VEX_INSIDE_DISPLAY=1
    exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$build" "$@"
fi
