#!/bin/bash
# vexlorin.exe end to end under Wine, worked by the driver as a user would: one run converts a
# copy of the fixture, one picks a file that does not exist (which the dialog must hand over, for
# the program to say so), one cancels; then starts with arguments: a path (as Explorer starts it
# for a dropped file), a wildcard, and a path from a console; with --print, its output a pipe that
# a Windows program, or Linux, gave it (no window); last, the program unpacked from the release
# archive, started with a path. Needs a display (run under xvfb-run).
#
#   end_to_end.sh <vexlorin.exe> <vex_driver.exe> <fixtures folder> <release zip>
source "$(dirname "$0")/../lib.sh"
program="$1"
driver="$2"
fixtures="$3"
release_zip="$4"
run="$(dirname "$0")/wine_run.sh"
scenes="$work/my scenes"
summary="Vexlorin 0.5  quillbrace 3.10.23"
mkdir -p "$scenes"
cp "$fixtures/scene.x3d" "$scenes/scene.x3d"

windows() { printf 'Z:%s' "$1" | tr / '\\'; }

# drive type|cancel|argument|console <path or arguments> <caption> <text>
# (a path to type is given as a Linux path; '|' in the text is a line end)
drive() {
    local input="$2"
    [ "$1" = type ] && input="$(windows "$input")"
    check "the driver saw every dialog as expected" \
        timeout 150 "$run" "$driver" "$(windows "$program")" "$(windows "$work")" "$1" "$input" \
        "$3" "$4"
}

echo "--- a run that converts the fixture"
drive type "$scenes/scene.x3d" "$summary" "scene.inc created > blobs: 3 sweeps: 5"
check "scene.inc equals the fixture byte for byte" cmp "$scenes/scene.inc" "$fixtures/scene.inc"
check "the input is unchanged" cmp "$scenes/scene.x3d" "$fixtures/scene.x3d"

echo "--- a run that picks a file that does not exist"
drive type "$scenes/missing.x3d" "$summary" "$(windows "$scenes/missing.x3d") could not be opened ("

echo "--- a run that cancels"
rm -f "$scenes/scene.inc"
drive cancel - "Info:" "canceled"
check "nothing was written" test "$(ls -A "$scenes")" = "scene.x3d"

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
    drive "$1" "$2" "$summary" "$3"
    check "afterwards $4 holds $5" test "$(cd "$work/$4" && ls | LC_ALL=C sort | xargs)" = "$5"
}
start_with argument "$(quoted "$scenes/scene.x3d")" "scene.inc created > blobs: 3 sweeps: 5" \
    "my scenes" "scene.inc scene.x3d"
start_with argument "$(quoted "$work/wild/*.x3d")" \
    "2 files: 2 converted, 0 of them with notes, 0 failed." \
    wild "B.X3D B.inc a.inc a.x3d notes.txt sub.x3d"
start_with console "$(quoted "$scenes/scene.x3d")" "scene.inc created > blobs: 3 sweeps: 5" \
    "my scenes" "scene.inc scene.x3d"
check "the include written for a path argument equals the fixture" \
    cmp "$scenes/scene.inc" "$fixtures/scene.inc"

echo "--- --print: the message into the pipe it is given, no window"
rm -f "$scenes/scene.inc"
drive print "--print --scene $(quoted "$scenes/scene.x3d")" 0 \
    "scene.inc created > blobs: 3 sweeps: 5|scene.pov created: a starter scene that renders scene.inc.|"
check "the scene is written with CR LF" grep -q $'^#version 3.7;\r$' "$scenes/scene.pov"
printf 'my own scene\r\n' >"$work/edited.pov"
cp "$work/edited.pov" "$scenes/scene.pov"
drive print "--scene $(quoted "$scenes/scene.x3d") --print" 0 \
    "scene.inc created > blobs: 3 sweeps: 5|scene.pov kept: a file of that name is there already and was left as it is.|"
check "an edited scene is kept byte for byte" cmp "$scenes/scene.pov" "$work/edited.pov"
drive print --print 2 \
    "vexlorin: --print needs a FILE: it never opens the dialog|Try 'vexlorin --help' for more information.|"
timeout 60 "$run" "$program" --print "$(windows "$scenes/scene.x3d")" </dev/null | cat >"$work/printed"
check "a pipe from Linux holds the message" \
    cmp "$work/printed" <(printf '%s\n' "scene.inc created > blobs: 3 sweeps: 5")
rm -f "$scenes/scene.pov"

echo "--- the release archive: unpacked, its program started with a path as Explorer does"
mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$release_zip")
check "the archive holds vexlorin.exe, README.md, LICENSE and the modeller's add-on" \
    test "$(cd "$work/unpacked" && ls | LC_ALL=C sort | xargs)" = \
    "LICENSE README.md vexlorin.exe vexlorin_export.zip"
program="$work/unpacked/vexlorin.exe"
rm -f "$scenes/scene.inc"
drive argument "$(quoted "$scenes/scene.x3d")" "$summary" "scene.inc created > blobs: 3 sweeps: 5"
check "its include equals the fixture" cmp "$scenes/scene.inc" "$fixtures/scene.inc"
finish
