#!/usr/bin/env bash
# Whole-process benchmark: converts large generated scenes with the terminal build of vexlorin
# (the path on standard input, as a user would type it) and compares its wall time with reading
# the file through 4096-byte reads, `dd if=FILE of=/dev/null bs=4096` (the floor: the line file
# must read that way), and with `grep -c "Transform DEF="`: warm page cache, the three commands
# taking turns, median of 5 runs each, CPU time (user + system), peak resident memory from
# /usr/bin/time -v.
#
#   bench/run.sh [--vexlorin BIN] [--compare BIN] [--runs N] [--keep] [--data DIR]
#
#   --vexlorin BIN  time this program instead of building build-bench/vexlorin
#   --compare BIN   also convert each file with BIN and check that both includes are identical
#   --runs N        runs per measurement (default 5; the median is reported)
#   --keep          keep the generated files (about 750 MB) for the next run
#   --data DIR      where the scenes are generated (default /tmp/vexlorin-bench)
#
# It also builds build-bench/micro_bench, the micro-benchmarks of the hot paths.
#
# Targets, checked in the table: time <= 1.25 x dd; peak memory under 32 MiB (the long lines
# are mesh data, which the conversion passes over without holding); doubling the longest line
# (shape b against b-half) at most doubles the time, +10 %.
# The machine may be shared: timings are medians, and still noisy.
set -euo pipefail
# A build with desktop dialogs falls back to the terminal only when there is no display.
unset DISPLAY WAYLAND_DISPLAY

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="$root/build-bench"
data="/tmp/vexlorin-bench"
vexlorin=""
compare=""
runs=5
keep=0

while [ $# -gt 0 ]; do
    case "$1" in
        --vexlorin) vexlorin="$(realpath "$2")"; shift 2 ;;
        --compare) compare="$(realpath "$2")"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --keep) keep=1; shift ;;
        --data) data="$2"; shift 2 ;;
        *) awk 'NR > 1 && /^#/ { print; next } NR > 1 { exit }' "$0"; exit 2 ;;
    esac
done

if [ ! -x /usr/bin/time ]; then
    echo "installing GNU time for /usr/bin/time -v" >&2
    apt-get install -y time >/dev/null
fi

# --- build -----------------------------------------------------------------------------------
# The terminal build: what is timed is the conversion, not the loading of a desktop toolkit (a
# GTK build starts some 10-20 ms later and holds some 10 MiB more; time it with --vexlorin).
mkdir -p "$build"
if ! { cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLORIN_TESTS=OFF \
        -DVEXLORIN_BENCH=ON -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON -UGTK3_FOUND &&
       cmake --build "$build" -j2 --target generate_scene vexlorin micro_bench; } >"$build/bench-build.log" 2>&1
then
    cat "$build/bench-build.log" >&2
    exit 1
fi
[ -n "$vexlorin" ] || vexlorin="$build/vexlorin"

# --- data ------------------------------------------------------------------------------------
mkdir -p "$data"
generate() {  # name, generator arguments...
    local name="$1"
    shift
    [ -s "$data/$name.x3d" ] || "$build/generate_scene" "$1" "$data/$name.x3d" "${@:2}"
}
generate a many 300 500       # many objects, about 300 MB, lines up to about 500 KB
generate b three 80           # three objects, about 300 MB, lines of 80 MB
generate b-half three 40      # the same with lines half as long

cleanup() {
    rm -f "$data"/*.inc "$data"/*.ref "$data"/*.times "$data"/time.txt "$data"/out.txt \
        "$data"/cpu.txt "$data"/path.txt
    if [ "$keep" = 0 ]; then
        rm -f "$data"/a.x3d "$data"/b.x3d "$data"/b-half.x3d
        rmdir "$data" 2>/dev/null || true
    fi
}
trap cleanup EXIT

# --- measuring -------------------------------------------------------------------------------
# Runs a command under /usr/bin/time -v with standard input from the file $input; prints
# "seconds peakKiB cpuSeconds" (cpu: user + system, less disturbed by other work). Bash's own
# timer gives the wall and CPU times to the millisecond, GNU time the peak memory. Standard
# output goes to a file: grep answers at its first match when it writes to /dev/null.
measure() {
    local TIMEFORMAT='%3R %3U %3S'
    { time /usr/bin/time -v -o "$data/time.txt" "$@" <"$input" >"$data/out.txt"; } 2>"$data/cpu.txt"
    awk -F': ' '/Maximum resident set size/ { print $2 }' "$data/time.txt" |
        paste -d' ' "$data/cpu.txt" - | awk '{ printf "%.4f %d %.3f\n", $1, $4, $2 + $3 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

longest_line() { LC_ALL=C awk '{ if (length($0) > m) m = length($0) } END { print m + 0 }' "$1"; }

declare -A seconds
printf '%-7s %8s %11s %7s %7s %7s %6s %6s %7s %7s %8s %s\n' shape "size MB" "longest KB" \
    "dd s" "grep s" "vex s" "/dd" "/grep" "dd cpu" "vex cpu" "peak MiB" verdict
for name in a b b-half; do
    file="$data/$name.x3d"
    input="$data/path.txt"  # what the user types: the path, then Enter
    printf '%s\n' "$file" >"$input"
    cat "$file" >/dev/null
    "$vexlorin" <"$input" >/dev/null
    grep -c "Transform DEF=" "$file" >"$data/out.txt"
    if [ -n "$compare" ]; then
        cp "$data/$name.inc" "$data/$name.ref"
        "$compare" <"$input" >/dev/null
        cmp -s "$data/$name.inc" "$data/$name.ref" || { echo "$name: includes differ" >&2; exit 1; }
    fi
    : >"$data/dd.times"
    : >"$data/grep.times"
    : >"$data/vex.times"
    for _ in $(seq "$runs"); do
        measure dd if="$file" of=/dev/null bs=4096 status=none >>"$data/dd.times"
        measure grep -c "Transform DEF=" "$file" >>"$data/grep.times"
        measure "$vexlorin" >>"$data/vex.times"
    done
    dd_s=$(cut -d' ' -f1 "$data/dd.times" | median)
    grep_s=$(cut -d' ' -f1 "$data/grep.times" | median)
    vex_s=$(cut -d' ' -f1 "$data/vex.times" | median)
    dd_cpu=$(cut -d' ' -f3 "$data/dd.times" | median)
    vex_cpu=$(cut -d' ' -f3 "$data/vex.times" | median)
    peak=$(cut -d' ' -f2 "$data/vex.times" | sort -n | tail -1)
    longest=$(longest_line "$file")
    size=$(stat -c %s "$file")
    seconds[$name]=$vex_s
    awk -v n="$name" -v sz="$size" -v l="$longest" -v d="$dd_s" -v g="$grep_s" -v v="$vex_s" \
        -v p="$peak" -v dc="$dd_cpu" -v vc="$vex_cpu" \
        'BEGIN {
            peak = p / 1024
            verdict = (v <= 1.25 * d ? "time ok" : "time OVER") ", " \
                      (peak < 32 ? "memory ok" : "memory OVER")
            printf "%-7s %8.1f %11.1f %7.3f %7.3f %7.3f %6.2f %6.2f %7.3f %7.3f %8.1f %s\n",
                   n, sz / 1e6, l / 1000, d, g, v, v / d, v / g, dc, vc, peak, verdict
        }'
    rm -f "$data/dd.times" "$data/grep.times" "$data/vex.times"
done
awk -v full="${seconds[b]}" -v half="${seconds[b-half]}" 'BEGIN {
    growth = full / half
    printf "linear growth: b / b-half = %.2f (target <= 2.20): %s\n", growth,
           growth <= 2.2 ? "ok" : "OVER"
}'
