#!/usr/bin/env bash
# The program as a user meets it without a display: the path typed on standard input, the
# message on standard output, the include beside the input.
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
not_said() { ! grep -qF -- "$1" "$work/out.txt"; }

# A transform in the modeller's layout.
transform() {
    printf '<Transform DEF="%s_TRANSFORM"\n translation="%s"\n scale="%s"\n rotation="0 0 1 0"\n>\n' \
        "$1" "${2:-1.000000 2.000000 3.000000}" "${3:-0.500000 0.500000 0.500000}"
}

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

# --- an input that cannot be opened ---------------------------------------------------------------
run "$work/data" "$work/data/missing.x3d"$'\n'
check "a missing input is named and said to be unopenable" said "$work/data/missing.x3d could not be opened"
check "a missing input creates no output" test ! -e "$work/data/missing.inc"
check "a missing input exits with 0" test "$rc" -eq 0

run "$work/data" $'/no/such/folder/scene.x3d\n'
check "a path in a missing folder is refused, then end of input cancels" said "does not exist"
check "... and the run ends as a cancel" said $'Info:\ncanceled'

# --- an output that would be the input ------------------------------------------------------------
transform Sweep >"$work/data/typed.inc"
cp "$work/data/typed.inc" "$work/typed.before"
run "$work/data" "$work/data/typed.inc"$'\n'
check "a typed .inc input is refused by name" said "$work/data/typed.inc is the chosen file itself"
check "a typed .inc input is left untouched" cmp -s "$work/data/typed.inc" "$work/typed.before"
check "a refused input is not reported as created" not_said "created"

mkdir "$work/link"
transform Sweep >"$work/link/real.x3d"
ln -s real.x3d "$work/link/linked.x3d"
ln -s real.x3d "$work/link/real.inc"
cp "$work/link/real.x3d" "$work/link.before"
run "$work/link" $'real.x3d\n'
check "an output that is a link to the input is refused" said "is the chosen file itself"
check "the input behind the link is untouched" cmp -s "$work/link/real.x3d" "$work/link.before"

# --- an output that cannot be written -------------------------------------------------------------
mkdir "$work/blocked"
transform Sweep >"$work/blocked/scene.x3d"
mkdir "$work/blocked/scene.inc"
run "$work/blocked" $'scene.x3d\n'
check "an output that cannot be created is named" said "$work/blocked/scene.inc could not be written"
check "an output that cannot be created is not reported as created" not_said "created"

if [ -w /dev/full ]; then
    mkdir "$work/full"
    transform Sweep >"$work/full/scene.x3d"
    ln -s /dev/full "$work/full/scene.inc"
    run "$work/full" $'scene.x3d\n'
    check "a full disk is reported" said "could not be written (No space left on device)"
    check "a full disk is not reported as created" not_said "created"
fi

# --- more objects than the table holds --------------------------------------------------------------
mkdir "$work/many"
for i in $(seq 1 503); do transform Mball; done >"$work/many/many.x3d"
run "$work/many" $'many.x3d\n'
check "the summary's first line stays as it is" said $'many.inc created > blobs: 500 sweeps: 0\n3 more objects were left out'
check "exactly 500 components are written" test "$(grep -c 'sphere{' "$work/many/many.inc")" -eq 500

# --- whole numbers and other names -------------------------------------------------------------------
mkdir "$work/names"
transform Sweep "1000 2.5 -3" "100 1 1" >"$work/names/szene_ü.x3d"
run "$work/names" $'szene_ü.x3d\n'
check "a non-ASCII file name is found" said "szene_ü.inc created > blobs: 0 sweeps: 1"
check "a whole number is kept whole" grep -qF $'     <1000 , 2.5 , -3> , 100 \r' "$work/names/szene_ü.inc"

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
