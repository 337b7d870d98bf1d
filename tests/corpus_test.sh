#!/usr/bin/env bash
# Converts every X3D file of the corpus, the modeller's own export, and copies of one export under
# odd and hostile file names, with the real program, and has POV-Ray render a scene that includes
# each include.
#
# For every include: POV-Ray accepts it, or the message has a line below the summary that says
# why not; an export without problems gets the summary alone. Every include holds only the
# writer's own lines, numbers and one identifier (POV-Ray runs any directive an include holds),
# and rendering it makes no file appear. A file that cannot be read must leave no include at all.
# Expectations are in the corpus folder's expected.txt.
#
#   corpus_test.sh VEXLORIN CORPUS_DIR FIXTURES_DIR
#
# Exit 0: passed; 77: conversions passed but POV-Ray is not installed; anything else: failed.
set -u
# The program must meet the terminal, not a desktop dialog, even where a display is at hand.
unset DISPLAY WAYLAND_DISPLAY

exe="$(realpath "$1")"
corpus="$(realpath "$2")"
fixtures="$(realpath "$3")"
work="$(mktemp -d "${TMPDIR:-/tmp}/vexlorin_corpus.XXXXXX")"
trap 'rm -rf "$work"' EXIT

povray="$(command -v povray || true)"
failed=0
fail() { echo "FAIL: $*"; failed=1; }
# Around each case: "ok: NAME" when the case itself added no failure.
begin_case() { before="$failed" failed=0; }
end_case() { [ "$failed" -ne 0 ] || echo "ok: $1"; failed=$((failed | before)); }

# The lines an include may hold: the writer's fixed lines, its declaration, and point, count and
# component lines whose pieces are numbers.
number=' *[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)? *'
vector="<$number,$number,$number>"
allowed="^(// convert x3d|// quillbrace 03\.09\.2023|#declare [A-Za-z_][A-Za-z0-9_]* =|"
allowed+="sphere_sweep \{|     cubic_spline|     \}|#declare th = 0\.5 ;|#declare sf = 2\.0 ;|"
allowed+="blob \{|     threshold th|     [0-9]+,|     $vector , $number|"
allowed+="     sphere\{ <0,0,0>, 1, 1 scale $vector \* sf  translate $vector \}|)"$'\r$'

# Renders a scene that includes the include and shows what it declares; true when POV-Ray
# accepts it. Works in a folder of its own, which must hold nothing new afterwards.
povray_accepts() {
    local include="$1" name="$2" folder
    folder="$(mktemp -d "$work/render.XXXXXX")"
    cp "$include" "$folder/case.inc"
    cat >"$folder/case.pov" <<POV
#version 3.7;
#include "case.inc"
camera { location <0, 2, -30> look_at <0, 0, 0> }
light_source { <10, 20, -20> color rgb 1 }
#ifdef ($name)
object { $name pigment { rgb 1 } }
#end
POV
    (cd "$folder" && HOME="$folder" "$povray" +Icase.pov +Ocase.png +W16 +H16 -D -V \
        >case.log 2>&1)
    local status=$?
    local extra
    extra="$(cd "$folder" && ls -A | grep -vxE 'case\.(inc|pov|png|log)|\.povray')"
    [ -z "$extra" ] || fail "rendering $include made files appear: $extra"
    [ "$status" -eq 0 ] || grep -aE -A2 'Error|error' "$folder/case.log" | head -n 4 >"$work/last.log"
    return "$status"
}

# Converts <file> from <folder>; checks the message's first line and line count, the include's
# lines, and what POV-Ray makes of it.
check() {
    local folder="$1" file="$2" include="$3" pov="$4" lines="$5" first="$6" output
    output="$(printf '%s\n' "$folder/$file" | "$exe" 2>&1)" || fail "$file: exit code $?"
    # What the terminal shows below the message's caption.
    message="$(printf '%s\n' "$output" | sed -n '/^Vexlorin 0\.5  quillbrace/,$p' | tail -n +2)"
    printf '%s\n' "$message" | grep -aqxF -- "$first" ||
        fail "$file: expected the message '$first', got: $message"
    [ "$(printf '%s\n' "$message" | grep -ac .)" -eq "$lines" ] ||
        fail "$file: expected $lines message lines, got: $message"
    if [ "$pov" = none ]; then
        [ ! -e "$folder/$include" ] || fail "$file: an include was written"
        return
    fi
    [ "$pov" = accepted ] || [ "$lines" -gt 1 ] ||
        fail "$file: an include POV-Ray rejects needs a line that says why"
    [ -f "$folder/$include" ] || { fail "$file: no include $include written"; return; }
    grep -avxE "$allowed" "$folder/$include" | head -n 3 | sed "s|^|FAIL: $file: line |" | grep . &&
        failed=1
    [ -n "$povray" ] || return
    local name
    name="$(sed -n 's/^#declare \([A-Za-z0-9_]*\) =\r$/\1/p' "$folder/$include" | head -n 1)"
    if povray_accepts "$folder/$include" "${name:-none}"; then
        [ "$pov" = accepted ] || fail "$file: POV-Ray accepts $include, expected to reject it"
    elif [ "$pov" = accepted ]; then
        fail "$file: POV-Ray cannot parse $include:"
        cat "$work/last.log"
    fi
}

listed=()
while read -r file pov lines first; do
    case "$file" in '' | '#'*) continue ;; esac
    listed+=("$file")
    mkdir -p "$work/corpus" && cp "$corpus/$file" "$work/corpus/$file"
    begin_case
    # <folder> in a message stands for the folder the copy is converted in.
    check "$work/corpus" "$file" "${file%.x3d}.inc" "$pov" "$lines" \
        "${first//<folder>/$work/corpus}"
    cmp -s "$corpus/$file" "$work/corpus/$file" || fail "$file: the input was changed"
    end_case "$file"
done <"$corpus/expected.txt"

for path in "$corpus"/*.x3d; do
    name="$(basename "$path")"
    [[ " ${listed[*]} " == *" $name "* ]] || fail "$name has no line in expected.txt"
done

mkdir -p "$work/fixture" && cp "$fixtures/scene.x3d" "$work/fixture/"
begin_case
check "$work/fixture" scene.x3d scene.inc accepted 1 "scene.inc created > blobs: 3 sweeps: 5"
end_case "the modeller's export"

# One export under names a user or an attacker may give it: the include keeps the name, less
# its extension, and declares an identifier POV-Ray reads.
#   file name | include | second message line
names=(
    'my-scene.x3d|my-scene.inc|It declares my_scene, since "my-scene" is not'
    '2nd try.x3d|2nd try.inc|It declares _2nd_try, since "2nd try" is not'
    'sphere.x3d|sphere.inc|It declares sphere_, since "sphere" is not'
    'names_ü.x3d|names_ü.inc|It declares names__, since "names_ü" is not'
    'model|model.inc|'
    'scene.x3dv|scene.inc|'
    'a = 1; #fopen F chr(112) write #write (F, 1) #fclose F #declare b.x3d|a = 1; #fopen F chr(112) write #write (F, 1) #fclose F #declare b.inc|It declares a___1___fopen_F_chr_112__write__write__F__1___fclose_F__declare_b, since'
)
for entry in "${names[@]}"; do
    IFS='|' read -r file include note <<<"$entry"
    folder="$(mktemp -d "$work/names.XXXXXX")"
    cp "$corpus/sweeps_and_blobs.x3d" "$folder/$file"
    begin_case
    check "$folder" "$file" "$include" accepted $([ -n "$note" ] && echo 2 || echo 1) \
        "${include%.inc}.inc created > blobs: 3 sweeps: 5"
    [ -z "$note" ] || grep -aqF -- "$note" <<<"$message" || fail "$file: no line '$note'"
    end_case "$file"
done

if [ "$failed" -eq 0 ] && [ -z "$povray" ]; then
    echo "SKIP: povray is not installed; the includes were not parsed (apt-get install povray)"
    exit 77
fi
exit "$failed"
