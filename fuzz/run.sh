#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# each for a bounded time, starting from its checked-in seed corpus.
#
#   fuzz/run.sh [seconds per target, default 60] [target ...]
#
# New coverage is kept in build-fuzz/corpus/<target>, not in the checked-in seeds. A finding stops
# the run with a non-zero exit; libFuzzer writes the input as build-fuzz/findings/<target>/crash-*,
# which belongs in fuzz/corpus/<target>/ together with a regression test once the fault is fixed.
# The executions of each target are printed at the end (from libFuzzer's final statistics).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source_dir="$(dirname "$here")"
build_dir="${VEXLORIN_FUZZ_BUILD:-$source_dir/build-fuzz}"
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(line_reader conversion)
fi

declare -A max_len=([line_reader]=20000 [conversion]=16384)
declare -A dict=([conversion]="$here/conversion.dict")

cmake -S "$source_dir" -B "$build_dir" -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLORIN_FUZZ=ON -DVEXLORIN_TESTS=OFF -DVEXLORIN_WERROR=ON \
    >/dev/null
cmake --build "$build_dir" -j2 --target "${targets[@]/%/_fuzzer}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

summary=""
status=0
for target in "${targets[@]}"; do
    work="$build_dir/corpus/$target"
    findings="$build_dir/findings/$target"
    log="$build_dir/$target.log"
    mkdir -p "$work" "$findings"
    options=(-max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=10
             -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/")
    if [ -n "${dict[$target]:-}" ]; then
        options+=(-dict="${dict[$target]}")
    fi
    echo "== $target: ${seconds}s"
    if "$build_dir/${target}_fuzzer" "${options[@]}" "$work" "$here/corpus/$target" \
        >"$log" 2>&1; then
        result="ok"
    else
        result="FAILED (see $log and $findings)"
        status=1
        tail -n 40 "$log"
    fi
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)"
    summary+="$(printf '%-12s %12s executions %8s/s  %s' "$target" "${runs:-?}" "${rate:-?}" \
        "$result")"$'\n'
done
echo
echo "Fuzzing summary (${seconds}s per target):"
printf '%s' "$summary"
exit "$status"
