#!/usr/bin/env bash
# POV-Ray renders a scene around every include of the exports corpus (the checked-in NAME.inc
# files, which the golden test holds the program to byte for byte) and draws what it declares.
# It must accept each one, except those whose message warns that POV-Ray will reject them: each
# kind of warning below says why, and an include with that line must be rejected. Rendering must
# make no file but the picture: POV-Ray runs any directive an include holds.
#
#   povray_test.sh GOLDEN_DIR FIXTURES_DIR
source "$(dirname "$0")/lib.sh"
povray=$(command -v povray) || skip "povray is not installed (apt-get install povray)"

# The beginnings of the message lines that warn of an include POV-Ray rejects.
rejections=("Only one Sweep object (")

for include in "$1"/*.inc "$2"/*.inc; do
    name=$(basename "$include" .inc)
    expected=accepts
    for warning in "${rejections[@]}"; do
        if grep -qF -- "$warning" "${include%.inc}.txt"; then expected=rejects; fi
    done
    folder=$(mktemp -d "$work/render.XXXXXX")
    cp "$include" "$folder/case.inc"
    declared=$(sed -n 's/^#declare \([A-Za-z0-9_]*\) =\r$/\1/p' "$include" | head -n 1)
    cat >"$folder/case.pov" <<POV
#version 3.7;
#include "case.inc"
camera { location <0, 2, -30> look_at <0, 0, 0> }
light_source { <10, 20, -20> color rgb 1 }
#ifdef (${declared:-nothing})
object { $declared pigment { rgb 1 } }
#end
POV
    got=rejects
    # A rejection is POV-Ray's verdict on the include and comes again; a render that stops
    # without one (POV-Ray has been seen to end so, once in many runs, on a busy machine) is tried
    # once more, so that the verdict is the include's and not the machine's.
    for attempt in 1 2; do
        if (cd "$folder" && HOME="$folder" "$povray" +Icase.pov +Ocase.png +W16 +H16 -D -V \
            >case.log 2>&1); then
            got=accepts
            break
        fi
        status=$?
        grep -q 'Parse Error\|Fatal error' "$folder/case.log" && break
        echo "POV-Ray ended with status $status on $name.inc without an error; trying again"
        tail -n 5 "$folder/case.log"
    done
    check "POV-Ray $expected $name.inc" test "$got" = "$expected" ||
        grep -aE -A2 'Error|error' "$folder/case.log" | head -n 4
    made=$(cd "$folder" && ls -A | grep -vxE 'case\.(inc|pov|png|log)|\.povray')
    check "rendering $name.inc makes no file (made: $made)" test -z "$made"
done
finish
