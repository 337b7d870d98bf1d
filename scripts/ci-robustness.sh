#!/usr/bin/env bash
# The robustness part of CI: the whole test suite (unit, fault-injection, process-fault and corpus
# tests) under AddressSanitizer + UndefinedBehaviorSanitizer, then each libFuzzer target for a
# bounded time.
#
#   scripts/ci-robustness.sh [seconds per fuzz target, default 60]
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-${VEXLORIN_FUZZ_SECONDS:-60}}"

# clang and its runtime (libFuzzer, the sanitizers) besides what the ordinary build needs.
scripts/setup clang libclang-rt-14-dev

echo "== sanitizer build and test suite (ASan + UBSan)"
cmake --preset sanitize
cmake --build --preset sanitize -j2
ctest --preset sanitize -j2

echo "== fuzzing, ${seconds}s per target"
fuzz/run.sh "$seconds"
