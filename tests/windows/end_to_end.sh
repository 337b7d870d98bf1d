#!/bin/bash
# vexlorin.exe end to end under Wine, worked by the driver as a user would: one run converts a
# copy of the fixture, one run cancels; then starts with arguments: a path (as Explorer starts it
# for a dropped file), a wildcard, and a path from a console; last, the program unpacked from the
# release archive, started with a path. Needs a display (run under xvfb-run). With a screenshot
# folder, each dialog is photographed (import -window root) when the driver asks.
#
#   end_to_end.sh <vexlorin.exe> <vex_driver.exe> <fixtures folder> <release zip> [<shot folder>]
#
# A third run picks a file whose output would be the file itself (copy.INC gives copy.inc, on
# Windows the same file): the program must say so and leave the file alone.
set -u
program="$1"
driver="$2"
fixtures="$3"
release_zip="$4"
shots="${5:-}"
here="$(cd "$(dirname "$0")" && pwd)"
run="$here/wine_run.sh"

work="$(mktemp -d "${TMPDIR:-/tmp}/vexlorin-e2e.XXXXXX")"
trap 'rm -rf "$work"; kill "$watcher" 2>/dev/null' EXIT
mkdir -p "$work/my scenes" "$work/shots"
cp "$fixtures/scene.x3d" "$work/my scenes/scene.x3d"
[ -n "$shots" ] && mkdir -p "$shots"

windows() { printf 'Z:%s' "$1" | tr / '\\'; }

# Takes a picture whenever the driver asks for one by making NAME.want.
watch_for_shots() {
    while true; do
        for want in "$work"/shots/*.want; do
            [ -e "$want" ] || continue
            name="$(basename "$want" .want)"
            if [ -n "$shots" ]; then
                import -window root -crop "$(cat "$want")" +repage "$shots/$name.png" 2>/dev/null
            fi
            rm -f "$want"
            touch "$work/shots/$name.done"
        done
        sleep 0.2
    done
}
watch_for_shots &
watcher=$!

failed=0
step() {
    local name="$1"
    shift
    if "$@"; then echo "ok   $name"; else echo "FAIL $name"; failed=1; fi
}

# drive type|cancel|argument|console <path or arguments> <caption> <text> <screenshot prefix>
# (a path to type is given as a Linux path; '|' in the text is a line end)
drive() {
    local input="$2"
    [ "$1" = type ] && input="$(windows "$input")"
    timeout 150 "$run" "$driver" "$(windows "$program")" "$(windows "$work")" "$1" "$input" "$3" \
        "$4" "$(windows "$work/shots")" "$5"
    step "the driver saw every dialog as expected" test $? -eq 0
}

scenes="$work/my scenes"
summary="Vexlorin 0.5  quillbrace 3.10.23"

echo "--- a run that converts the fixture"
drive type "$scenes/scene.x3d" "$summary" "scene.inc created > blobs: 3 sweeps: 5" convert
step "scene.inc equals the fixture byte for byte" cmp "$scenes/scene.inc" "$fixtures/scene.inc"
step "the input is unchanged" cmp "$scenes/scene.x3d" "$fixtures/scene.x3d"

echo "--- a run that cancels"
rm -f "$scenes/scene.inc"
drive cancel - "Info:" "canceled" cancel
step "nothing was written" test "$(ls -A "$scenes")" = "scene.x3d"

echo "--- a run whose output would be its own input, spelled in other case"
cp "$fixtures/scene.x3d" "$scenes/copy.INC"
drive type "$scenes/copy.INC" "$summary" \
    "$(windows "$scenes/copy.inc") is the chosen file itself; it was left as it is and nothing was written." \
    same-file
step "the chosen file is unchanged" cmp "$scenes/copy.INC" "$fixtures/scene.x3d"
rm "$scenes/copy.INC"

echo "--- starts with arguments: no open dialog"
mkdir -p "$work/wild/sub.x3d"
cp "$fixtures/scene.x3d" "$work/wild/a.x3d"
cp "$fixtures/scene.x3d" "$work/wild/B.X3D"
echo "not a scene" >"$work/wild/notes.txt"
quoted() { printf '"%s"' "$(windows "$1")"; }
# start_with <how> <arguments> <text> <folder> <its names afterwards, sorted>
start_with() {
    echo "- $1 $2"
    rm -f "$scenes/scene.inc"
    drive "$1" "$2" "$summary" "$3" "$1-${4// /-}"
    step "afterwards $4 holds $5" test "$(cd "$work/$4" && ls | LC_ALL=C sort | xargs)" = "$5"
}
start_with argument "$(quoted "$scenes/scene.x3d")" "scene.inc created > blobs: 3 sweeps: 5" \
    "my scenes" "scene.inc scene.x3d"
start_with argument "$(quoted "$work/wild/*.x3d")" \
    "a.inc created > blobs: 3 sweeps: 5||B.inc created > blobs: 3 sweeps: 5" \
    wild "B.X3D B.inc a.inc a.x3d notes.txt sub.x3d"
start_with console "$(quoted "$scenes/scene.x3d")" "scene.inc created > blobs: 3 sweeps: 5" \
    "my scenes" "scene.inc scene.x3d"
step "the include written for a path argument equals the fixture" cmp "$scenes/scene.inc" "$fixtures/scene.inc"

echo "--- the release archive: unpacked, its program started with a path as Explorer does"
mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$release_zip")
step "the archive holds vexlorin.exe, README.md and LICENSE" \
    test "$(cd "$work/unpacked" && ls | LC_ALL=C sort | xargs)" = "LICENSE README.md vexlorin.exe"
program="$work/unpacked/vexlorin.exe"
rm -f "$scenes/scene.inc"
drive argument "$(quoted "$scenes/scene.x3d")" "$summary" "scene.inc created > blobs: 3 sweeps: 5" \
    release-zip
step "its include equals the fixture" cmp "$scenes/scene.inc" "$fixtures/scene.inc"
exit $failed
