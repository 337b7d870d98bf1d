#!/usr/bin/env bash
# Builds the Windows program with MinGW-w64 and runs all its tests under Wine on a virtual display,
# installing what is missing first (Debian 12). Bounded: the build takes about a minute on two
# cores, the tests about two; every wait inside them has its own limit.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/setup cmake make mingw-w64 libz-mingw-w64-dev googletest wine wine64 xvfb xauth imagemagick
cmake --preset windows
cmake --build --preset windows -j2
tests/windows/run_wine_tests.sh build-windows
