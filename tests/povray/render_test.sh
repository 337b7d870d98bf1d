#!/usr/bin/env bash
# POV-Ray, the include's real consumer, must accept what the converter writes for the modeller's
# export: convert the fixture, then render a tiny image of a scene that includes the result.
# Usage: render_test.sh <vexlorin> <fixtures folder>
set -u
vexlorin=$(realpath "$1")
fixtures=$(realpath "$2")
if ! command -v povray >/dev/null; then
    echo "povray is not installed (apt-get install povray)"
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$fixtures/scene.x3d" "$work/scene.x3d"
printf '%s\n' "$work/scene.x3d" | (cd "$work" && timeout 20 "$vexlorin") >/dev/null || exit 1
cat >"$work/render.pov" <<'POV'
#version 3.7;
global_settings { assumed_gamma 1.0 }
#include "scene.inc"
camera { location <0, 4, -14> look_at <0, 1, 0> }
light_source { <10, 20, -10> color rgb 1 }
object { scene pigment { rgb <1, 0.6, 0.2> } }
POV
cd "$work" || exit 1
if ! HOME="$work" timeout 60 povray -D +W32 +H24 +Irender.pov +Orender.png >povray.log 2>&1; then
    cat povray.log
    echo "POV-Ray could not parse the include"
    exit 1
fi
test -s render.png && echo "POV-Ray rendered the converted scene"
