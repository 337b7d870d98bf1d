#!/usr/bin/env bash
# Real faults, met by the real program: each case runs vexlorin as a process with the chosen path on
# its standard input, as a user would, and checks what the user is told, which files exist
# afterwards, and that the chosen input is unchanged.
#
#   process_faults_test.sh VEXLORIN CORPUS_DIR CASE
#
# Exit 0: passed; 77: skipped (the machine cannot stage the fault; the reason is printed);
# anything else: failed.
set -u
# The program must meet the terminal, not a desktop dialog, even where a display is at hand.
unset DISPLAY WAYLAND_DISPLAY

exe="$(realpath "$1")"
corpus="$(realpath "$2")"
case_name="$3"
sample="$corpus/sweeps_and_blobs.x3d"
summary_of_sample="> blobs: 3 sweeps: 5"

work="$(mktemp -d "${TMPDIR:-/tmp}/vexlorin_process.XXXXXX")"
chmod 755 "$work"
mounted=""
cleanup() {
    if [ -n "$mounted" ]; then umount "$mounted" 2>/dev/null; fi
    chmod -R u+rwX "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failed=0
fail() { echo "FAIL: $*"; failed=1; }
skip() { echo "SKIP: $*"; exit 77; }

# A copy of the program that any user may run, whatever the permissions of the build folder.
cp "$exe" "$work/vexlorin"
chmod 755 "$work/vexlorin"

# Runs the program with one answer on its standard input; sets $output and $status.
# With "nobody" as the second argument it runs without root's privileges, which ignore file
# permissions (CI runs as root).
convert() {
    local answer="$1" user="${2:-}"
    local runner=()
    if [ "$user" = nobody ] && [ "$(id -u)" -eq 0 ]; then
        runner=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups --)
    fi
    # A hang is a fault too: the program gets a minute, far more than any case needs.
    output="$(cd "$work" && printf '%s\n' "$answer" | timeout 60 "${runner[@]}" "$work/vexlorin" 2>&1)"
    status=$?
    echo "--- vexlorin said, for $(printf '%.120s' "$answer"):"
    printf '%s\n' "$output" | tail -n 3
    if [ "$status" -ne 0 ]; then
        fail "exit code $status, expected 0"
    fi
}

can_drop_privileges() {
    [ "$(id -u)" -ne 0 ] && return 0
    setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups -- true 2>/dev/null
}

expect_said() {
    if ! printf '%s\n' "$output" | grep -aqF -- "$1"; then fail "message should say: $1"; fi
}
expect_not_said() {
    if printf '%s\n' "$output" | grep -aqF -- "$1"; then fail "message should not say: $1"; fi
}
expect_file() { [ -f "$1" ] || fail "missing: $1"; }
expect_no_file() { [ ! -e "$1" ] || fail "should not exist: $1"; }
expect_same() { cmp -s "$1" "$2" || fail "$2 differs from $1"; }
# The folder $1 holds exactly the names $2...: no new file was left behind.
expect_only() {
    local folder="$1"
    shift
    [ "$(ls -A "$folder")" = "$(printf '%s\n' "$@")" ] || fail "$folder holds $(ls -A "$folder" | tr '\n' ' ')"
}

# The include written for an input (the sample unless $2 names another) under the base name $1 in
# a plain folder: what every successful conversion of it under that name must match byte for byte.
reference_include() {
    mkdir -p "$work/reference"
    cp "${2:-$sample}" "$work/reference/$1.x3d"
    printf '%s\n' "$work/reference/$1.x3d" | "$exe" >/dev/null 2>&1
    echo "$work/reference/$1.inc"
}

case_unreadable_input() {
    can_drop_privileges || skip "cannot run as an unprivileged user here (setpriv)"
    mkdir "$work/in" && cp "$sample" "$work/in/scene.x3d" && chmod 000 "$work/in/scene.x3d"
    chmod 777 "$work/in"
    convert "$work/in/scene.x3d" nobody
    expect_said "$work/in/scene.x3d could not be opened (Permission denied). Nothing was written."
    expect_not_said "created"
    expect_no_file "$work/in/scene.inc"
    chmod 644 "$work/in/scene.x3d"
    expect_same "$sample" "$work/in/scene.x3d"
}

case_unwritable_folder() {
    can_drop_privileges || skip "cannot run as an unprivileged user here (setpriv)"
    mkdir "$work/ro" && cp "$sample" "$work/ro/scene.x3d" && chmod 555 "$work/ro"
    convert "$work/ro/scene.x3d" nobody
    expect_said "$work/ro/scene.inc could not be written (Permission denied). Nothing was changed."
    expect_not_said "created"
    expect_no_file "$work/ro/scene.inc"
    expect_same "$sample" "$work/ro/scene.x3d"
}

case_readonly_existing_include() {
    can_drop_privileges || skip "cannot run as an unprivileged user here (setpriv)"
    mkdir "$work/rw" && chmod 777 "$work/rw" && cp "$sample" "$work/rw/scene.x3d"
    printf 'an earlier include\r\n' >"$work/rw/scene.inc" && chmod 444 "$work/rw/scene.inc"
    convert "$work/rw/scene.x3d" nobody
    expect_said "$work/rw/scene.inc could not be written (Permission denied). Nothing was changed."
    expect_not_said "created"
    [ "$(cat "$work/rw/scene.inc")" = $'an earlier include\r' ] || fail "the earlier include changed"
    expect_only "$work/rw" scene.inc scene.x3d
    expect_same "$sample" "$work/rw/scene.x3d"
}

case_full_file_system() {
    mkdir "$work/full"
    if ! mount -t tmpfs -o size=256k tmpfs "$work/full" 2>/dev/null; then
        skip "cannot mount a small tmpfs here (needs root and the right to mount);" \
            "robustness_tests covers a full disk with injected write faults"
    fi
    mounted="$work/full"
    # An input whose include (about 50 kB) spans many buffers.
    local input="$corpus/over_capacity.x3d" reference
    reference="$(reference_include scene "$input")"
    cp "$input" "$work/full/scene.x3d"

    # Room for a few buffers only: the disk fills up part-way through the include, which leaves
    # an earlier include as it was and no new file.
    printf 'an earlier include\r\n' >"$work/full/scene.inc"
    local free_kb
    free_kb="$(df -k --output=avail "$work/full" | tail -n 1)"
    dd if=/dev/zero of="$work/full/filler" bs=1k count=$((free_kb - 12)) 2>/dev/null
    convert "$work/full/scene.x3d"
    expect_said "$work/full/scene.inc could not be written (No space left on device). Nothing was changed."
    expect_not_said "created"
    [ "$(cat "$work/full/scene.inc")" = $'an earlier include\r' ] || fail "the earlier include changed"
    expect_only "$work/full" filler scene.inc scene.x3d
    expect_same "$input" "$work/full/scene.x3d"

    # No room at all: not even the first buffer can be written, and no include appears.
    rm "$work/full/scene.inc"
    dd if=/dev/zero of="$work/full/filler2" bs=1k 2>/dev/null
    convert "$work/full/scene.x3d"
    expect_said "$work/full/scene.inc could not be written (No space left on device). Nothing was changed."
    expect_not_said "created"
    expect_only "$work/full" filler filler2 scene.x3d
    expect_same "$input" "$work/full/scene.x3d"

    # With room again the same input converts.
    rm "$work/full/filler" "$work/full/filler2"
    convert "$work/full/scene.x3d"
    expect_said "scene.inc created > blobs: 240 sweeps: 260"
    expect_same "$reference" "$work/full/scene.inc"
}

# Whatever a folder holds at the include's place, a link (to a file outside it, or to nothing) or
# a named pipe, is replaced by the include: the link's target is neither written nor created, and
# the pipe neither takes the include nor holds the program up.
case_include_in_the_way() {
    mkdir "$work/way" && cp "$sample" "$work/way/scene.x3d"
    printf 'outside\n' >"$work/outside"
    local reference
    reference="$(reference_include scene)"
    for plant in "ln -s ../outside" "ln -s ../created_by_the_link" mkfifo; do
        rm -f "$work/way/scene.inc"
        $plant "$work/way/scene.inc"
        convert "$work/way/scene.x3d"
        expect_said "scene.inc created $summary_of_sample"
        [ -f "$work/way/scene.inc" ] && [ ! -L "$work/way/scene.inc" ] || fail "$plant: not replaced"
        expect_same "$reference" "$work/way/scene.inc"
        expect_only "$work/way" scene.inc scene.x3d
    done
    [ "$(cat "$work/outside")" = outside ] || fail "the link's target was written"
    expect_no_file "$work/created_by_the_link"
}

case_include_is_a_folder() {
    mkdir -p "$work/dir/scene.inc" && cp "$sample" "$work/dir/scene.x3d"
    convert "$work/dir/scene.x3d"
    expect_said "$work/dir/scene.inc could not be written (Is a directory). Nothing was changed."
    expect_not_said "created"
    [ -d "$work/dir/scene.inc" ] || fail "the folder was replaced"
    expect_only "$work/dir" scene.inc scene.x3d
    expect_same "$sample" "$work/dir/scene.x3d"
}

case_typed_include() {
    mkdir "$work/same" && cp "$sample" "$work/same/scene.inc"
    convert "$work/same/scene.inc"
    expect_said "$work/same/scene.inc is the chosen file itself; it was left as it is"
    expect_not_said "created"
    expect_same "$sample" "$work/same/scene.inc"
}

case_symlinked_include() {
    mkdir "$work/link" && cp "$sample" "$work/link/scene.x3d"
    ln -s scene.x3d "$work/link/scene.inc"
    convert "$work/link/scene.x3d"
    expect_said "$work/link/scene.inc is the chosen file itself; it was left as it is"
    expect_not_said "created"
    expect_same "$sample" "$work/link/scene.x3d"
    [ -L "$work/link/scene.inc" ] || fail "the link was replaced"
}

case_hardlinked_include() {
    mkdir "$work/hard" && cp "$sample" "$work/hard/scene.x3d"
    ln "$work/hard/scene.x3d" "$work/hard/scene.inc"
    convert "$work/hard/scene.x3d"
    expect_said "is the chosen file itself; it was left as it is"
    expect_not_said "created"
    expect_same "$sample" "$work/hard/scene.x3d"
}

# A folder chain below $work/long whose file path has exactly $1 bytes.
long_path_of() {
    local want="$1" path="$work/long" part
    part="$(printf 'd%.0s' {1..200})"
    while [ $((${#path} + 1 + ${#part} + 10)) -lt "$want" ]; do path="$path/$part"; done
    path="$path/$(printf 'e%.0s' $(seq 1 $((want - ${#path} - 11))))"
    echo "$path/scene.x3d"
}

case_long_path() {
    local input
    input="$(long_path_of 4000)"
    [ "${#input}" -eq 4000 ] || fail "test setup: path has ${#input} bytes"
    mkdir -p "$(dirname "$input")" && cp "$sample" "$input"
    convert "$input"
    expect_said "scene.inc created $summary_of_sample"
    expect_same "$(reference_include scene)" "${input%.x3d}.inc"
    expect_same "$sample" "$input"
}

case_too_long_path() {
    # Past the system's limit of 4096 bytes the path cannot be opened at all; the user must hear
    # so (from the file dialog or the conversion), and nothing may be written.
    local input
    input="$(long_path_of 4300)"
    (mkdir -p "$work/long" && cd "$work/long" &&
        for part in $(dirname "${input#"$work/long/"}" | tr '/' ' '); do
            mkdir -p "$part" && cd "$part" || exit 1
        done && cp "$sample" scene.x3d) || fail "test setup"
    convert "$input"
    expect_not_said "created"
    if ! printf '%s\n' "$output" | grep -aqE 'File name too long'; then
        fail "the user is not told that the file cannot be used"
    fi
    [ -z "$(find "$work" -name '*.inc')" ] || fail "an include was written"
}

case_non_ascii_names() {
    mkdir "$work/ü"
    cp "$sample" "$work/ü/szene_ü.x3d"
    convert "$work/ü/szene_ü.x3d"
    expect_said "szene_ü.inc created $summary_of_sample"
    expect_same "$(reference_include szene_ü)" "$work/ü/szene_ü.inc"
    # A name that is not valid UTF-8 (Latin-1 ü) must survive byte for byte; the message shows
    # the byte as "?" rather than send it to the terminal.
    local latin1=$'szene_\xfc'
    cp "$sample" "$work/$latin1.x3d"
    convert "$work/$latin1.x3d"
    expect_said "szene_?.inc created $summary_of_sample"
    expect_file "$work/$latin1.inc"
    # Characters that Windows forbids in names but Linux allows.
    mkdir "$work/a|b"
    cp "$sample" "$work/a|b/my \"scene\".x3d"
    convert "$work/a|b/my \"scene\".x3d"
    expect_said "my \"scene\".inc created $summary_of_sample"
    expect_file "$work/a|b/my \"scene\".inc"
    expect_no_file "$work/scene.inc"
    expect_no_file "$work/a|b/.inc"
}

case_special_input() {
    # A named pipe nobody writes to, and a device that never ends: neither is a file to convert,
    # and neither may make the program wait or read forever.
    mkfifo "$work/pipe.x3d"
    convert "$work/pipe.x3d"
    expect_said "$work/pipe.x3d could not be opened (not a regular file). Nothing was written."
    expect_no_file "$work/pipe.inc"
    ln -s /dev/zero "$work/zero.x3d"
    convert "$work/zero.x3d"
    expect_said "$work/zero.x3d could not be opened (not a regular file). Nothing was written."
    expect_no_file "$work/zero.inc"
}

case_missing_input() {
    convert "$work/nothing_here.x3d"
    expect_said "$work/nothing_here.x3d could not be opened (No such file or directory). Nothing was written."
    expect_no_file "$work/nothing_here.inc"
}

case_one_long_line() {
    # A mesh exported on one line of 32 MB, with no line end at all.
    head -c $((32 * 1024 * 1024)) /dev/zero | tr '\0' '7' >"$work/mesh.x3d"
    convert "$work/mesh.x3d"
    expect_said "mesh.inc created > blobs: 0 sweeps: 0"
    [ "$(stat -c %s "$work/mesh.x3d")" -eq $((32 * 1024 * 1024)) ] || fail "the input changed"
}

if ! declare -F "case_$case_name" >/dev/null; then
    echo "unknown case: $case_name"
    exit 2
fi
"case_$case_name"
exit "$failed"
