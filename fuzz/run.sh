#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# each, starting from its checked-in corpus.
#
#   fuzz/run.sh --ci [target ...]          a fixed number of runs from a fixed seed, over the
#                                          checked-in corpus alone: the same inputs, and so the same
#                                          verdict, run after run (what the suite and CI run)
#   fuzz/run.sh [seconds] [target ...]     open-ended: each target for that long (default 60) from
#                                          a new seed, to search before a release
#
# Open-ended runs keep new coverage in build-fuzz/corpus/<target>, not in the checked-in corpus. A
# finding stops the run with a non-zero exit; libFuzzer writes the input as
# build-fuzz/findings/<target>/crash-*, which belongs in fuzz/corpus/<target>/ together with the
# fix, so that every later run, CI's among them, meets it again. The executions of each target are
# printed at the end (from libFuzzer's final statistics).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source_dir="$(dirname "$here")"
build_dir="${VEXLORIN_FUZZ_BUILD:-$source_dir/build-fuzz}"
ci=0
if [ "${1:-}" = --ci ]; then
    ci=1
    shift
fi
seconds=60
if [ "$ci" = 0 ] && [ $# -gt 0 ]; then
    seconds=$1
    shift
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(line_reader conversion)
fi

declare -A max_len=([line_reader]=20000 [conversion]=16384)
# The fixed runs of --ci: about half a minute each on one core of the CI machine.
declare -A ci_runs=([line_reader]=60000 [conversion]=6000)
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
    options=(-max_len="${max_len[$target]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$findings/")
    if [ "$ci" = 1 ]; then
        # New inputs go into an empty folder of this run's own, so each run starts from the
        # checked-in corpus alone.
        work="$build_dir/corpus/$target.ci"
        rm -rf "$work"
        options+=(-seed=1 -runs="${ci_runs[$target]}")
        echo "== $target: ${ci_runs[$target]} runs from seed 1"
    else
        options+=(-max_total_time="$seconds")
        echo "== $target: ${seconds}s"
    fi
    mkdir -p "$work" "$findings"
    if [ -n "${dict[$target]:-}" ]; then
        options+=(-dict="${dict[$target]}")
    fi
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
if [ "$ci" = 1 ]; then
    echo "Fuzzing summary (fixed runs from seed 1):"
else
    echo "Fuzzing summary (${seconds}s per target):"
fi
printf '%s' "$summary"
exit "$status"
