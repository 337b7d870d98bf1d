#!/bin/bash
# Runs the Windows build's tests under Wine on a virtual X display, all waits bounded.
#
#   tests/windows/run_wine_tests.sh [<build folder, default build-windows>] [ctest options...]
#
# The Wine prefix lives in the build folder; wine_run.sh makes it on the first run.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../../build-windows}" && pwd)"
shift || true

export WINEPREFIX="$build/wine-prefix"
# English Windows with the ANSI code page 1252, whatever the machine's own locale; file names
# cross to Linux as UTF-8.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

inside_display() {
    # The prefix, made on the first run; the Wine server its making started is let go.
    timeout 400 "$here/wine_run.sh" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 || true
    timeout 60 wineserver -w
    # One Wine server for the whole run: each test program then starts in a fraction of a second.
    # Its helper processes (services, the desktop) are started here, away from the output pipes
    # of the tests, which they would otherwise inherit and hold open.
    wineserver -p
    timeout 120 "$here/wine_run.sh" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 || true
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
