#!/usr/bin/env bash
# POV-Ray renders the starter scene of every export of the corpus whose include shows something
# (a sweep or a blob that POV-Ray accepts), and the object must cover the middle of the picture (or,
# in pieces, lie around it), span a good part of it, and keep clear of its border. To see the
# object alone, each scene is rendered as a mask: the ground dropped, the sky black, the object a
# flat white. The scene must declare nothing.
#
#   starter_scene_test.sh VEXLORIN GOLDEN_DIR FIXTURES_DIR
source "$(dirname "$0")/lib.sh"
povray=$(command -v povray) || skip "povray is not installed (apt-get install povray)"
vexlorin=$1
shift

# Objects no picture that holds them whole can show: thinner than a pixel (a needle 3000 long and
# 0.01 thick; a sweep of radius 1.5 across 2.5e10), or with numbers near 1e200, of which POV-Ray
# draws nothing at all. And an include whose name is not ASCII, which POV-Ray 3.7 cannot open.
unseen=" elongated_metaball_dropped not_numbers singular_huge szene_ü "

# "ok" when the PPM picture shows the object in its middle (the central fifth of its width and
# height), spanning at least 40 % of its width or height, and nowhere on its outermost pixels;
# else what is wrong.
judge() {
    python3 - "$1" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
head = []  # the header's four fields; POV-Ray writes comment lines among them
while len(head) < 4:
    line, data = data.split(b"\n", 1)
    head += line.split() if not line.startswith(b"#") else []
width, height = int(head[1]), int(head[2])
lit = {(i // 3 % width, i // 3 // width) for i in range(0, 3 * width * height, 3)
       if max(data[i:i + 3]) > 127}
if not lit:
    sys.exit(print("an empty picture"))
left, right = min(x for x, _ in lit), max(x for x, _ in lit)
top, bottom = min(y for _, y in lit), max(y for _, y in lit)
xs = range(width * 2 // 5, width * 3 // 5)
ys = range(height * 2 // 5, height * 3 // 5)
covered = any((x, y) in lit for y in ys for x in xs)
# An object in pieces (blobs apart) may leave the middle open between them.
around = left < xs[0] and right > xs[-1] and top < ys[0] and bottom > ys[-1]
spans = max((right - left + 1) / width, (bottom - top + 1) / height)
if not covered and not around:
    print("nothing in the middle")
elif left == 0 or top == 0 or right == width - 1 or bottom == height - 1:
    print("touches the border")
elif spans < 0.4:
    print(f"spans only {spans:.0%} of the picture")
else:
    print("ok")
PY
}

folders=()
for x3d in "$1"/*.x3d "$2"/scene.x3d; do
    name=$(basename "$x3d" .x3d)
    include=${x3d%.x3d}.inc
    [ -f "$include" ] && grep -q '^sphere_sweep {\|^blob {' "$include" || continue
    grep -qF "Only one Sweep object (" "${x3d%.x3d}.txt" && continue  # POV-Ray rejects it
    [[ $unseen == *" $name "* ]] && echo "not rendered: $name" && continue
    folder=$work/$name
    mkdir "$folder" && cp "$x3d" "$folder/"
    check "a scene is written for $name" \
        sh -c 'cd "$1" && "$2" --print --scene "$3" >message.txt' sh "$folder" "$vexlorin" \
        "$name.x3d" || continue
    scene=$folder/$name.pov
    check "the scene of $name declares nothing" test -z "$(grep -E '#(declare|local)' "$scene")"
    sed -e '/^plane /d' -e 's/^background .*/background { rgb 0 }/' \
        -e 's/ pigment .*/ pigment { rgb 1 } finish { ambient 0 diffuse 0 emission 1 } }/' \
        "$scene" >"$folder/mask.pov"
    folders+=("$folder")
done

# Four at a time: a small render is mostly POV-Ray starting up, not working.
printf '%s\0' "${folders[@]}" | HOME=$work xargs -0 -P 4 -I {} sh -c \
    'cd "$1" && "$2" +Imask.pov +Omask.ppm +FP +W160 +H120 -D -V >render.log 2>&1' sh {} "$povray"
for folder in "${folders[@]}"; do
    name=$(basename "$folder")
    if [ ! -s "$folder/mask.ppm" ]; then
        fail "POV-Ray renders the scene of $name"
        grep -aE -A2 'Error|error' "$folder/render.log" | head -n 4
        continue
    fi
    verdict=$(judge "$folder/mask.ppm")
    check "the scene of $name frames its object ($verdict)" test "$verdict" = ok
done
finish
