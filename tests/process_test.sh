#!/usr/bin/env bash
# The program as a process, as a user meets it without a display, with real files, folders and
# disks: one case of the table below per run. Each case starts in a fresh folder $w that holds
# scene.x3d (the modeller's export), runs its steps there, and checks the exit status, a line of
# what the program printed, what $w holds afterwards (so that no new file is left behind), that
# the export is unchanged, and what else the case names.
# (Elsewhere: faults at any byte through the file layer's seam, fault_test.cpp; the typed answers,
# terminal_dialogs_test.cpp; the include's bytes and messages, golden_test.cpp; the include's name
# for any path, path_regression_test.cpp.)
#
#   process_test.sh VEXLORIN TESTDATA_DIR CASE
#
# Run as root, the permission cases run the program as nobody (root's privileges ignore file
# permissions) and the full disk is a small tmpfs; a case the machine cannot stage is skipped (77).
source "$(dirname "$0")/lib.sh"
fixtures=$(realpath "$2")/fixtures
golden=$(realpath "$2")/golden
case_name=$3
sample=$fixtures/scene.x3d
caption="Vexlorin 0.5  quillbrace 3.10.23"
created="scene.inc created > blobs: 3 sweeps: 5"
# Run by nobody too, whatever the permissions of the build folder.
cp "$1" "$work/vexlorin" && chmod 755 "$work/vexlorin"
w=$work/w
mkdir -m 777 "$w" && cp "$sample" "$w/scene.x3d"
printf 'outside\n' >"$work/outside"

# case | steps | exit status | a line said | $w holds afterwards | also
cases=$(
    cat <<'CASES'
converts|typed scene.x3d|0|scene.inc created > blobs: 3 sweeps: 5|scene.inc scene.x3d|same scene.inc "$fixtures/scene.inc" && ends_with "$caption" "$created"
canceled|mkdir C:; cancel|0|canceled|C: scene.x3d|asked && ends_with Info: canceled
several_files_one_missing|cp scene.x3d tower.x3d; args tower.x3d missing.x3d scene.x3d|1|missing.x3d could not be opened (No such file or directory). Nothing was written.|scene.inc scene.x3d tower.inc tower.x3d|ends_with "$caption" "tower.inc created > blobs: 3 sweeps: 5" "" "missing.x3d could not be opened (No such file or directory). Nothing was written." "" "$created"
unknown_option|args scene.x3d -x|2|vexlorin: unknown option '-x'|scene.x3d|test -z "$("$work/vexlorin" -x 2>/dev/null)"
help|args --help|0|  2  usage error|scene.x3d|
version|args --version|0|Vexlorin 0.5|scene.x3d|test "$(cat "$work/out")" = "Vexlorin 0.5"
terminal_never_types|on_terminal scene.x3d|0|scene.inc created > blobs: 3 sweeps: 5|scene.inc scene.x3d|
terminal_never_types_output_piped|on_terminal scene.x3d cat|0|scene.inc created > blobs: 3 sweeps: 5|scene.inc scene.x3d|
utf8_name|cp scene.x3d szene_ü.x3d; typed szene_ü.x3d|0|szene_ü.inc created > blobs: 3 sweeps: 5|scene.x3d szene_ü.inc szene_ü.x3d|
non_utf8_typed|cp scene.x3d $'szene_\xfc.x3d'; typed $'szene_\xfc.x3d'|0|szene_?.inc created > blobs: 3 sweeps: 5|scene.x3d $'szene_\xfc.inc' $'szene_\xfc.x3d'|
non_utf8_argument|cp scene.x3d $'sc\xe9ne.x3d'; args $'sc\xe9ne.x3d'|0|sc?ne.inc created > blobs: 3 sweeps: 5|scene.x3d $'sc\xe9ne.inc' $'sc\xe9ne.x3d'|
unreadable_input|chmod 000 scene.x3d; typed scene.x3d nobody|0|$w/scene.x3d could not be opened (Permission denied). Nothing was written.|scene.x3d|chmod 644 scene.x3d
unwritable_folder|chmod 555 .; typed scene.x3d nobody|0|$w/scene.inc could not be written (Permission denied). Nothing was changed.|scene.x3d|
readonly_earlier_include|earlier scene.inc; chmod 444 scene.inc; typed scene.x3d nobody|0|$w/scene.inc could not be written (Permission denied). Nothing was changed.|scene.inc scene.x3d|is_earlier scene.inc
full_disk|full_disk; typed scene.x3d|0|$w/scene.inc could not be written (No space left on device). Nothing was changed.|filler scene.inc scene.x3d|is_earlier scene.inc
typed_include|cp scene.x3d scene.inc; typed scene.inc|0|$w/scene.inc is the chosen file itself; it was left as it is and nothing was written.|scene.inc scene.x3d|same scene.inc "$sample"
link_to_the_export|ln -s scene.x3d scene.inc; typed scene.x3d|0|$w/scene.inc is the chosen file itself; it was left as it is and nothing was written.|scene.inc scene.x3d|test -L scene.inc
hard_link_to_the_export|ln scene.x3d scene.inc; typed scene.x3d|0|$w/scene.inc is the chosen file itself; it was left as it is and nothing was written.|scene.inc scene.x3d|
link_in_the_way|ln -s ../outside scene.inc; typed scene.x3d|0|scene.inc created > blobs: 3 sweeps: 5|scene.inc scene.x3d|replaced && test "$(cat ../outside)" = outside
dangling_link_in_the_way|ln -s ../made_by_the_link scene.inc; typed scene.x3d|0|scene.inc created > blobs: 3 sweeps: 5|scene.inc scene.x3d|replaced && test ! -e ../made_by_the_link
pipe_in_the_way|mkfifo scene.inc; typed scene.x3d|0|scene.inc created > blobs: 3 sweeps: 5|scene.inc scene.x3d|replaced
include_is_a_folder|mkdir scene.inc; typed scene.x3d|0|$w/scene.inc could not be written (Is a directory). Nothing was changed.|scene.inc scene.x3d|test -d scene.inc
long_path|deep 4000; typed "$deep"|0|scene.inc created > blobs: 3 sweeps: 5|d scene.x3d|same "${deep%.x3d}.inc" "$fixtures/scene.inc"
too_long_path|deep 4300; typed "$deep"|0|The answer is longer than any path (4096 bytes); nothing was chosen.|d scene.x3d|! grep -q created "$work/out" && test -z "$(find . -name '*.inc')"
endless_answer|limited; run </dev/zero|0|The answer is longer than any path (4096 bytes); nothing was chosen.|scene.x3d|ends_with Info: canceled
typed_path_through_a_link|mkdir -p pack away/in; ln -s ../away/in pack/link; cp scene.x3d away; cp scene.x3d pack; typed pack/link/../scene.x3d|0|scene.inc created > blobs: 3 sweeps: 5|away pack scene.x3d|same away/scene.inc "$fixtures/scene.inc" && test ! -e pack/scene.inc
folder_input|mkdir in.x3d; args in.x3d|1|in.x3d could not be opened (Is a directory). Nothing was written.|in.x3d scene.x3d|
special_input_pipe|mkfifo pipe.x3d; typed pipe.x3d|0|$w/pipe.x3d could not be opened (not a regular file). Nothing was written.|pipe.x3d scene.x3d|
special_input_device|ln -s /dev/zero zero.x3d; typed zero.x3d|0|$w/zero.x3d could not be opened (not a regular file). Nothing was written.|scene.x3d zero.x3d|
one_long_line|one_long_line mesh.x3d; typed mesh.x3d|0|mesh.inc created > blobs: 0 sweeps: 0|mesh.inc mesh.x3d scene.x3d|test "$(stat -c %s mesh.x3d)" -eq $((32 << 20))
print_piped|cp scene.x3d tower.x3d; printed tower.x3d missing.x3d scene.x3d|1|tower.inc created|scene.inc scene.x3d tower.inc tower.x3d|printed_exactly "tower.inc created > blobs: 3 sweeps: 5" "" "missing.x3d could not be opened (No such file or directory). Nothing was written." "" "$created"
print_to_a_file|args --print scene.x3d|0|scene.inc created|scene.inc scene.x3d|printed_exactly "$created"
print_on_a_display|on_display --print scene.x3d|0|scene.inc created|scene.inc scene.x3d|printed_exactly "$created"
print_without_a_file|args --print|2|vexlorin: --print needs a FILE|scene.x3d|
scene_written|args --print --scene scene.x3d|0|scene.pov created|scene.inc scene.pov scene.x3d|printed_exactly "$created" "scene.pov created: a starter scene that renders scene.inc." && written_like_the_include scene.pov
scene_kept|printf 'my own scene\n' >scene.pov; args --print --scene scene.x3d|0|scene.pov kept|scene.inc scene.pov scene.x3d|printed_exactly "$created" "scene.pov kept: a file of that name is there already and was left as it is." && test "$(cat scene.pov)" = "my own scene"
scene_kept_link|ln -s ../made_by_the_link scene.pov; without_povray; args --print --preview scene.x3d|0|scene.pov kept|scene.inc scene.pov scene.x3d|test -L scene.pov && test ! -e ../made_by_the_link && test "$(wc -l <"$work/out")" -eq 3
scene_after_the_dialog|run --scene <<<scene.x3d|0|scene.pov created|scene.inc scene.pov scene.x3d|
scene_nothing_declared|printf '<X3D>\n' >empty.x3d; args --print --preview empty.x3d|0|No empty.pov|empty.inc empty.x3d scene.x3d|test "$(sed -n 3p "$work/out")" = "No empty.pov: the include declares nothing to show, so there is no preview either."
preview_calls_through|without_povray; args --print --preview scene.x3d|0|scene.pov created|scene.inc scene.pov scene.x3d|test "$(wc -l <"$work/out")" -eq 3 && grep -q . <(sed -n 3p "$work/out")
preview_interrupted|interrupted INT|130|ended by INT|scene.inc scene.pov scene.x3d|renderer_gone && same scene.inc "$fixtures/scene.inc" && written_like_the_include scene.pov
preview_terminated|interrupted TERM|143|ended by TERM|scene.inc scene.pov scene.x3d|renderer_gone && same scene.inc "$fixtures/scene.inc" && written_like_the_include scene.pov
CASES
)

# Runs the program in $w with the arguments (and the standard input given); its output goes to
# $work/out, its exit status to $status. A hang is a fault too: it gets a minute.
run() {
    (cd "$w" && timeout 60 "${as[@]}" "$work/vexlorin" "$@") >"$work/out" 2>&1
    status=$?
}
as=()
# typed PATH [nobody]: the path typed on standard input; as nobody, when run as root.
typed() {
    if [ "${2:-}" = nobody ] && [ "$(id -u)" -eq 0 ]; then
        as=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups --)
        "${as[@]}" true 2>/dev/null || skip "cannot run as an unprivileged user here (setpriv)"
    fi
    run <<<"$1"
}
cancel() { run </dev/null; }
# limited: the next run gets 64 MiB of address space (not under AddressSanitizer, whose shadow
# memory alone takes more).
limited() { grep -qa AddressSanitizer "$work/vexlorin" || as=(prlimit --as=$((64 << 20)) --); }
args() { run "$@" </dev/null; }
# on_terminal ARGUMENT [cat]: started from a terminal that never types, with its output on that
# terminal or piped to cat: the result must not wait for Enter.
on_terminal() {
    mkfifo "$work/keys"
    sleep 60 >"$work/keys" &
    local keeper=$!
    (cd "$w" && timeout 20 script -qec "$(printf '%q' "$work/vexlorin") $1${2:+ | $2}" /dev/null \
        <"$work/keys") >"$work/out" 2>&1
    status=$?
    kill "$keeper"
}

# printed ARGUMENTS...: run with --print, its standard output into a pipe (read by cat).
printed() {
    (cd "$w" && timeout 60 "$work/vexlorin" --print "$@" </dev/null | cat
        exit "${PIPESTATUS[0]}") >"$work/out" 2>&1
    status=$?
}
# on_display ARGUMENTS...: run with its output piped, where a display can be opened: nothing may
# wait for a window to be closed.
on_display() {
    command -v xvfb-run >/dev/null || skip "no xvfb-run to open a display"
    (cd "$w" && timeout 60 xvfb-run -a "$work/vexlorin" "$@" </dev/null | cat
        exit "${PIPESTATUS[0]}") >"$work/out" 2>&1
    status=$?
}
# interrupted SIGNAL: a preview by a stand-in for POV-Ray that starts a process, says their ids in
# $work/rendering and sleeps; the program gets SIGNAL then, and must end by it at once: within 20 s,
# well before its own limit on the render would stop it.
interrupted() {
    mkdir "$work/bin" && printf '#!/bin/sh\nsleep 600 & echo $$ $! >%q.new && mv %q.new %q\nsleep 600\n' \
        "$work/rendering" "$work/rendering" "$work/rendering" >"$work/bin/povray" &&
        chmod 755 "$work/bin/povray"
    set -m  # without job control a background job would start with SIGINT ignored
    (cd "$w" && PATH=$work/bin:$PATH exec "$work/vexlorin" --print --preview scene.x3d \
        </dev/null >"$work/out" 2>&1) &
    local program=$! tries=0
    set +m
    while [ ! -e "$work/rendering" ] && [ $((tries += 1)) -lt 600 ]; do sleep 0.1; done
    kill -s "$1" "$program"
    tries=0
    while running "$program" && [ $((tries += 1)) -lt 200 ]; do sleep 0.1; done
    kill -s KILL "$program" 2>/dev/null
    wait "$program"
    status=$?
    echo "ended by $(kill -l "$status")" >>"$work/out"
}
# running ID: the process runs (is there, and no zombie).
running() { [[ "$(cat "/proc/$1/stat" 2>/dev/null)" =~ \)\ [^Z] ]]; }
# The stand-in for POV-Ray and the process it started are gone, after up to two seconds.
renderer_gone() {
    local id tries
    for id in $(cat "$work/rendering"); do
        for tries in {1..100}; do running "$id" || continue 2; sleep 0.02; done
        return 1
    done
}
# The whole output is these lines, each ended by a line feed alone.
printed_exactly() { cmp -s "$work/out" <(printf '%s\n' "$@"); }
# CR LF ends every line, and the file ends with one.
written_like_the_include() {
    [ -s "$1" ] && ! grep -qv $'\r$' "$1" && [ "$(tail -c 2 "$1" | od -An -tx1)" = " 0d 0a" ]
}
# The next run finds no POV-Ray (nor any other program) on its PATH.
without_povray() { as=(env PATH=/nonexistent); }
same() { cmp -s "$1" "$2"; }
earlier() { printf 'an earlier include\r\n' >"$1"; }
is_earlier() { [ "$(cat "$1")" = $'an earlier include\r' ]; }
# The include took the place of what stood there, and holds what it must.
replaced() { [ -f scene.inc ] && [ ! -L scene.inc ] && same scene.inc "$fixtures/scene.inc"; }
# The file dialog asked for an x3d file, proposing file.x3d on drive C:, which on Linux is a
# folder of that name in the working folder, when there is one.
asked() {
    [ "$(sed -n '1,4p' "$work/out")" = "$(printf '%s\n' "open x3d file" "Files: x3d (*.x3d)" \
        "Folder: $w/C:" "File name [file.x3d]: ")" ]
}
# The last lines of the output are these.
ends_with() { [ "$(tail -n $# "$work/out")" = "$(printf '%s\n' "$@")" ]; }
one_long_line() { head -c $((32 << 20)) /dev/zero | tr '\0' 7 >"$1"; }  # 32 MB, no line end

# deep BYTES: a copy of the export in a chain of folders below $w/d, at a path of that many
# bytes ($deep), made folder by folder, since a path over 4096 bytes cannot be made at once.
deep() {
    local part path=$w/d
    part=$(printf 'd%.0s' {1..200})
    while [ $((${#path} + ${#part} + 11)) -lt "$1" ]; do path=$path/$part; done
    path=$path/$(printf 'e%.0s' $(seq 1 $(($1 - ${#path} - 11))))
    deep=$path/scene.x3d
    (for part in $(tr / ' ' <<<"${path#"$w/"}"); do mkdir "$part" && cd "$part" || exit; done &&
        cp "$sample" scene.x3d) || fail "could not make $deep"
}

# A small file system of its own at $w holding an export whose include (about 50 kB) spans many
# buffers, and an earlier include, filled up to room for a few buffers: the disk fills up part-way.
full_disk() {
    mount -t tmpfs -o size=256k tmpfs "$w" 2>/dev/null ||
        skip "cannot mount a small tmpfs here (fault_test holds a disk that fills up)"
    mounted=$w
    cd "$w" && chmod 777 . && sample=$golden/over_capacity.x3d && cp "$sample" scene.x3d
    earlier scene.inc
    dd if=/dev/zero of=filler bs=1k count=$(($(df -k --output=avail . | tail -n 1) - 12)) 2>/dev/null
}
before_cleanup() { if [ -n "${mounted:-}" ]; then cd / && umount "$mounted"; fi; }

row=$(grep -m 1 "^$case_name|" <<<"$cases") || { echo "no case $case_name"; exit 2; }
IFS='|' read -r _ steps exit_status said holds also <<<"$row"
cd "$w" || exit 1
eval "$steps"
check "exit status $exit_status (was $status)" test "$status" -eq "$exit_status"
check "it says: ${said//\$w/$w}" grep -aqF -- "${said//\$w/$w}" "$work/out"
[ -z "$also" ] || check "also: $also" eval "$also"
eval "set -- $holds"
check "$w holds: $*" test "$(ls -A | LC_ALL=C sort)" = "$(printf '%s\n' "$@" | LC_ALL=C sort)"
check "the export is unchanged" same "$sample" scene.x3d
[ "$failed" -eq 0 ] || { echo "--- the program said:" && cat "$work/out"; }
finish
