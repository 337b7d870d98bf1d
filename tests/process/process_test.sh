#!/usr/bin/env bash
# The program as a user meets it without a display: the path typed on standard input, the
# message on standard output, the include beside the input; or the files named as arguments.
# (What goes wrong with real files and folders: process_faults_test.sh.)
# Usage: process_test.sh <vexlorin> <fixtures folder>
set -u
vexlorin=$(realpath "$1")
fixtures=$(realpath "$2")
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
passed=0

check() {  # check <description> <command...>
    local description=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failures=$((failures + 1))
        echo "FAILED: $description"
        echo "--- output was:"
        cat "$work/out.txt"
        echo "---"
    fi
}

# Runs the program in folder $1 with standard input $2; output in $work/out.txt, exit code in $rc.
run() {
    (cd "$1" && printf '%s' "$2" | timeout 20 "$vexlorin") >"$work/out.txt" 2>&1
    rc=$?
}

said() { grep -qF -- "$1" "$work/out.txt"; }

# --- converting the modeller's export ---------------------------------------------------------
mkdir "$work/data"
cp "$fixtures/scene.x3d" "$work/data/scene.x3d"
run "$work" "$work/data/scene.x3d"$'\n'
check "exit code 0 after converting" test "$rc" -eq 0
check "the summary is shown under the caption" said $'Vexlorin 0.5  quillbrace 3.10.23\nscene.inc created > blobs: 3 sweeps: 5'
check "the include equals the expected bytes" cmp -s "$work/data/scene.inc" "$fixtures/scene.inc"

rm -f "$work/data/scene.inc"
run "$work/data" $'scene.x3d\n'
check "a relative path is taken from the current folder" cmp -s "$work/data/scene.inc" "$fixtures/scene.inc"

# --- cancelling ---------------------------------------------------------------------------------
rm -f "$work/data/scene.inc"
run "$work/data" ""
check "cancel exits with 0" test "$rc" -eq 0
check "cancel says canceled under Info:" said $'Info:\ncanceled'
check "cancel writes nothing" test ! -e "$work/data/scene.inc"

# --- a path in a missing folder -------------------------------------------------------------------
run "$work/data" $'/no/such/folder/scene.x3d\n'
check "a path in a missing folder is refused, then end of input cancels" said "does not exist"
check "... and the run ends as a cancel" said $'Info:\ncanceled'

# --- files as arguments ----------------------------------------------------------------------------
mkdir "$work/args"
for name in tower.x3d bridge.x3d -x.x3d $'sc\xe9ne.x3d'; do
    cp "$fixtures/scene.x3d" "$work/args/$name"
done
caption='Vexlorin 0.5  quillbrace 3.10.23'

# Runs the program in $work/args with the arguments, nothing on standard input; $rc as above.
run_with() {
    (cd "$work/args" && timeout 20 "$vexlorin" "$@" </dev/null) >"$work/out.txt" 2>"$work/err.txt"
    rc=$?
    cat "$work/err.txt" >>"$work/out.txt"  # what check shows on failure
}

# description | exit status | said (on standard output or error) | arguments
while IFS='|' read -r description status expected arguments; do
    eval "set -- $arguments"
    rm -f "$work"/args/*.inc
    run_with "$@"
    check "$description: exit status $status" test "$rc" -eq "$status"
    check "$description: says $expected" said "$expected"
done <<'CASES'
several files, one missing|1|missing.x3d could not be opened (|tower.x3d missing.x3d bridge.x3d
--help|0|  2  usage error|--help
-V|0|Vexlorin 0.5|-V
an unknown option|2|vexlorin: unknown option '-x'|tower.x3d -x
-- before a file whose name begins with -|0|-x.inc created > blobs: 3 sweeps: 5|-- -x.x3d
a file name that is not UTF-8|0|created > blobs: 3 sweeps: 5|$'sc\xe9ne.x3d'
CASES

run_with tower.x3d missing.x3d bridge.x3d
printf '%s\n' "$caption" "tower.inc created > blobs: 3 sweeps: 5" "" \
    "missing.x3d could not be opened (No such file or directory). Nothing was written." "" \
    "bridge.inc created > blobs: 3 sweeps: 5" >"$work/expected.txt"
check "one result: each file's message in order, on standard output" \
    cmp -s "$work/expected.txt" <(head -c "$(stat -c %s "$work/expected.txt")" "$work/out.txt")
for name in tower bridge; do
    check "$name.inc is written beside the missing file" grep -q sphere_sweep "$work/args/$name.inc"
done
rm -f "$work"/args/*.inc
run_with -x tower.x3d
check "a usage error converts nothing" test ! -e "$work/args/tower.inc"
run_with --version
check "the version is one line" cmp -s "$work/out.txt" <(echo "Vexlorin 0.5")

# A terminal on standard input that never types: the result must not wait for Enter, whether
# standard output is that terminal or a pipe.
mkfifo "$work/keys"
for to in "" " | cat"; do
    sleep 60 >"$work/keys" &
    keeper=$!
    (cd "$work/args" && timeout 20 script -qec "$(printf '%q' "$vexlorin") tower.x3d$to" /dev/null \
        <"$work/keys") >"$work/out.txt" 2>&1
    rc=$?
    kill "$keeper" 2>/dev/null
    check "a terminal on standard input, output${to:- to it}: done without waiting" test "$rc" -eq 0
    check "... and the result was printed" said "tower.inc created > blobs: 3 sweeps: 5"
done

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
