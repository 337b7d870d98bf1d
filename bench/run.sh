#!/usr/bin/env bash
# Whole-process benchmark: converts large generated exports with the terminal build of vexlorin
# (the path on standard input, as a user would type it) and holds each against a reference: for
# the exporter's own scenes the least any reader must do, `dd if=FILE of=/dev/null bs=4096` (the
# line file reads 4096 bytes at a time); for hostile plain files a reader that does the same work
# on every line, looking for the word, `grep -c Transform FILE`; for compressed ones
# `zcat FILE >/dev/null`. Warm page cache, the two taking turns, median of N runs; CPU time (user +
# system) and peak resident memory from /usr/bin/time -v.
#
#   bench/run.sh [--vexlorin BIN] [--compare BIN] [--runs N] [--keep] [--data DIR] [--only SET]
#
#   --vexlorin BIN  time this program instead of building build-bench/vexlorin
#   --compare BIN   also convert each scene with BIN and check that both includes are identical
#   --runs N        runs per measurement (default 5; the median is reported)
#   --keep          keep the generated files (about 2.5 GB) for the next run
#   --data DIR      where the files are generated (default /tmp/vexlorin-bench)
#   --only SET      scenes, hostile or compressed: measure that set alone
#
# It also builds build-bench/micro_bench, the micro-benchmarks of the hot paths.
#
# The sets and their targets, checked in the table:
#   scenes      exports in the exporter's layout (bench/generate_scene.cpp): a, many objects with
#               mesh lines up to 500 KB; b, three objects with lines of 80 MB; b-half, lines half
#               as long. Wall time at most 1.0 x dd, peak memory under 32 MiB, and doubling the
#               longest line (b against b-half) at most doubles the time, +10 %.
#   hostile     plain files shaped to cost: zero bytes (each one a line end), CRs, one line with no
#               end, one line holding a Transform, lines that are all "<Transform", objects one
#               after another (the table fills), other objects that never fill it, and Transforms
#               nested a million deep. Wall time at most 4 x grep -c Transform, peak memory at most
#               64 MiB; dd's time is shown beside it. grep looks at every byte for the word as the
#               scan does, so the bound holds whether system calls are cheap or dear, which one
#               against dd alone does not (dd does no work per byte); the scan does more than grep
#               on the lines that hold the word, which a third of the lines of the object shapes do.
#   compressed  small gzip files that inflate to 1 GiB: zero bytes, one line holding a Transform,
#               a translation that is one long integer. CPU time at most 2 x zcat, peak memory at
#               most 64 MiB.
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
sets=(scenes hostile compressed)

while [ $# -gt 0 ]; do
    case "$1" in
        --vexlorin) vexlorin="$(realpath "$2")"; shift 2 ;;
        --compare) compare="$(realpath "$2")"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --keep) keep=1; shift ;;
        --data) data="$2"; shift 2 ;;
        --only) sets=("$2"); shift 2 ;;
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
cleanup() {
    rm -f "$data"/*.inc "$data"/*.ref "$data"/*.times "$data"/time.txt "$data"/out.txt \
        "$data"/cpu.txt "$data"/path.txt
    if [ "$keep" = 0 ]; then
        rm -f "$data"/*.x3d
        rmdir "$data" 2>/dev/null || true
    fi
}
trap cleanup EXIT

# Writes $data/NAME.x3d from the command's output, unless it is there already.
make_file() {
    local name="$1"
    shift
    [ -s "$data/$name.x3d" ] || "$@" >"$data/$name.x3d"
}

# Writes $data/NAME.x3d with the scene generator: NAME, its arguments.
scene() {
    [ -s "$data/$1.x3d" ] || "$build/generate_scene" "$2" "$data/$1.x3d" "${@:3}"
}

hostile_size=$((256 << 20))
inflated_size=$((1 << 30))
# The text and a line end, again and again, to n bytes (yes ends on a closed pipe, as meant).
repeat() { { yes "$1" || true; } | head -c "$2"; }
bytes() { head -c "$2" /dev/zero | tr '\0' "$1"; }
object() {  # an object as the exporter writes one, at the top level, closed
    printf '<Transform DEF="%s_TRANSFORM"\n translation="1.000000 2.000000 3.000000"\n' "$1"
    printf ' scale="0.500000 0.500000 0.500000"\n rotation="0.000000 0.707107 0.707107 3.141593"\n'
    printf '>\n</Transform>'
}
opening() { object "$1" | head -n 5; }  # the same, left open
marked() { printf '<Transform DEF="Sweep_TRANSFORM" '; bytes 7 "$1"; }
long_number() {
    printf '<Transform DEF="Sweep_TRANSFORM"\n translation="1 2 '
    bytes 7 "$1"
    printf '"\n scale="1 1 1"\n rotation="0 0 1 0"\n>\n'
}
zipped() { "$@" | gzip -9; }

generate() {
    case "$1" in
        scenes)
            scene a many 300 500
            scene b three 80
            scene b-half three 40 ;;
        hostile)
            make_file zeros head -c "$hostile_size" /dev/zero
            make_file crs bytes '\r' "$hostile_size"
            make_file no_line_end bytes 7 "$hostile_size"
            make_file marked_line marked "$hostile_size"
            make_file transform_lines repeat '<Transform' "$hostile_size"
            make_file sweeps repeat "$(object Sweep)" "$hostile_size"
            make_file cubes repeat "$(object Cube)" "$hostile_size"
            make_file nested repeat "$(opening Empty)" "$hostile_size" ;;
        compressed)
            make_file zeros.gz zipped head -c "$inflated_size" /dev/zero
            make_file marked_line.gz zipped marked "$inflated_size"
            make_file long_number.gz zipped long_number "$inflated_size" ;;
    esac
}

# --- measuring -------------------------------------------------------------------------------
# Runs a command under /usr/bin/time -v with standard input from the file $input; prints
# "seconds peakKiB cpuSeconds". Bash's own timer gives the wall and CPU times to the millisecond,
# GNU time the peak memory.
measure() {
    local TIMEFORMAT='%3R %3U %3S'
    # (grep's status is 1 when no line matches: not a failure here.)
    { time /usr/bin/time -v -o "$data/time.txt" "$@" <"$input" >"$data/out.txt" || true; } \
        2>"$data/cpu.txt"
    awk -F': ' '/Maximum resident set size/ { print $2 }' "$data/time.txt" |
        paste -d' ' "$data/cpu.txt" - | awk '{ printf "%.4f %d %.3f\n", $1, $4, $2 + $3 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A seconds
verdicts=""
printf '%-16s %8s %9s %8s %8s %6s %9s %s\n' file "size MB" reference "ref s" "vex s" ratio \
    "peak MiB" verdict
# Measures one file against its reference: NAME, the reference (dd or zcat), the highest ratio,
# the peak memory allowed (MiB), and which time the ratio is taken of (wall or cpu).
compare_with() {
    local name="$1" reference="$2" most="$3" memory="$4" clock="$5"
    local file="$data/$name.x3d" column=1
    [ "$clock" = cpu ] && column=3
    input="$data/path.txt"  # what the user types: the path, then Enter
    printf '%s\n' "$file" >"$input"
    cat "$file" >/dev/null
    "$vexlorin" <"$input" >/dev/null
    if [ -n "$compare" ]; then
        cp "$data/$name.inc" "$data/$name.ref"
        "$compare" <"$input" >/dev/null
        cmp -s "$data/$name.inc" "$data/$name.ref" || { echo "$name: includes differ" >&2; exit 1; }
    fi
    : >"$data/ref.times"
    : >"$data/vex.times"
    : >"$data/dd.times"
    for _ in $(seq "$runs"); do
        case "$reference" in
            dd) measure dd if="$file" of=/dev/null bs=4096 status=none >>"$data/ref.times" ;;
            grep)
                measure grep -c Transform "$file" >>"$data/ref.times"
                measure dd if="$file" of=/dev/null bs=4096 status=none >>"$data/dd.times" ;;
            *) measure zcat "$file" >>"$data/ref.times" ;;
        esac
        measure "$vexlorin" >>"$data/vex.times"
    done
    local ref vex peak
    ref=$(cut -d' ' -f"$column" "$data/ref.times" | median)
    local floor=""
    [ "$reference" = grep ] && floor="(dd $(cut -d' ' -f1 "$data/dd.times" | median) s)"
    vex=$(cut -d' ' -f"$column" "$data/vex.times" | median)
    peak=$(cut -d' ' -f2 "$data/vex.times" | sort -n | tail -1)
    seconds[$name]=$vex
    local line
    line=$(awk -v n="$name" -v sz="$(stat -c %s "$file")" -v r="$ref" -v v="$vex" -v p="$peak" \
        -v rn="$reference $clock" -v most="$most" -v mem="$memory" -v floor="$floor" 'BEGIN {
            ratio = v / (r > 0 ? r : 0.001)
            peak = p / 1024
            verdict = (ratio <= most ? "time ok" : "time OVER") ", " \
                      (peak <= mem ? "memory ok" : "memory OVER")
            printf "%-16s %8.1f %9s %8.3f %8.3f %6.2f %9.1f %s %s\n",
                   n, sz / 1e6, rn, r, v, ratio, peak, verdict, floor
        }')
    echo "$line"
    verdicts+="$line"$'\n'
    rm -f "$data/ref.times" "$data/vex.times" "$data/dd.times" "$data/$name.inc"
}

for set in "${sets[@]}"; do
    generate "$set"
    case "$set" in
        scenes)
            for name in a b b-half; do compare_with "$name" dd 1.0 32 wall; done
            awk -v full="${seconds[b]}" -v half="${seconds[b-half]}" 'BEGIN {
                growth = full / half
                printf "linear growth: b / b-half = %.2f (target <= 2.20): %s\n", growth,
                       growth <= 2.2 ? "ok" : "OVER"
            }' ;;
        hostile)
            for name in zeros crs no_line_end marked_line transform_lines sweeps cubes nested; do
                compare_with "$name" grep 4.0 64 wall
            done ;;
        compressed)
            for name in zeros.gz marked_line.gz long_number.gz; do
                compare_with "$name" zcat 2.0 64 cpu
            done ;;
    esac
done
! grep -q OVER <<<"$verdicts"
