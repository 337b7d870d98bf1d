#!/usr/bin/env bash
# Converts every X3D file of the corpus with the real program and has POV-Ray parse each include
# that it must accept, by rendering a 16x16 image of a scene that includes it and uses the
# declared object, or checks that no include was written for a file that cannot be read.
# Expectations are in the corpus folder's expected.txt.
#
#   corpus_test.sh VEXLORIN CORPUS_DIR
#
# Exit 0: passed; 77: conversions passed but POV-Ray is not installed; anything else: failed.
set -u
# The program must meet the terminal, not a desktop dialog, even where a display is at hand.
unset DISPLAY WAYLAND_DISPLAY

exe="$(realpath "$1")"
corpus="$(realpath "$2")"
work="$(mktemp -d "${TMPDIR:-/tmp}/vexlorin_corpus.XXXXXX")"
trap 'rm -rf "$work"' EXIT

povray="$(command -v povray || true)"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Writes a scene that includes <base>.inc and shows the object it declares, when it declares one.
write_scene() {
    local base="$1"
    cat >"$work/$base.pov" <<POV
#version 3.7;
#include "$base.inc"
camera { location <0, 2, -30> look_at <0, 0, 0> }
light_source { <10, 20, -20> color rgb 1 }
#ifdef ($base)
object { $base pigment { rgb 1 } }
#end
POV
}

# True when POV-Ray parses and renders the scene for <base>.
povray_accepts() {
    local base="$1"
    write_scene "$base"
    (cd "$work" && HOME="$work" "$povray" +I"$base.pov" +O"$base.png" +W16 +H16 -D -V \
        >"$base.povray.log" 2>&1)
}

check_file() {
    local file="$1" pov="$2" base="${1%.x3d}" failed_before="$failed"
    local message="${3//<folder>/$work}"  # the message names the copy in the work folder
    failed=0
    cp "$corpus/$file" "$work/$file"
    local output
    output="$(printf '%s\n' "$work/$file" | "$exe" 2>&1)" || fail "$file: exit code $?"
    printf '%s\n' "$output" | grep -aqxF -- "$message" ||
        fail "$file: expected the message '$message', got: $(printf '%s' "$output" | tail -n 1)"
    cmp -s "$corpus/$file" "$work/$file" || fail "$file: the input was changed"
    if [ "$pov" = none ]; then
        [ ! -e "$work/$base.inc" ] || fail "$file: an include was written"
    elif [ ! -f "$work/$base.inc" ]; then
        fail "$file: no include written"
    elif [ -n "$povray" ] && povray_accepts "$base"; then
        [ "$pov" = accepted ] || fail "$file: POV-Ray accepts $base.inc, expected to reject it"
    elif [ -n "$povray" ] && [ "$pov" = accepted ]; then
        fail "$file: POV-Ray cannot parse $base.inc:"
        grep -aE -A2 'Error|error' "$work/$base.povray.log" | head -n 8
    fi
    [ "$failed" -ne 0 ] || echo "ok: $file (POV-Ray: $([ -n "$povray" ] && echo "$pov" || echo not run))"
    failed=$((failed | failed_before))
}

listed=()
while read -r file pov message; do
    case "$file" in '' | '#'*) continue ;; esac
    listed+=("$file")
    check_file "$file" "$pov" "$message"
done <"$corpus/expected.txt"

for path in "$corpus"/*.x3d; do
    name="$(basename "$path")"
    [[ " ${listed[*]} " == *" $name "* ]] || fail "$name has no line in expected.txt"
done

if [ "$failed" -eq 0 ] && [ -z "$povray" ]; then
    echo "SKIP: povray is not installed; the includes were not parsed (apt-get install povray)"
    exit 77
fi
exit "$failed"
