#!/usr/bin/env python3
"""The modeller's own exports of parented, turned and mirrored objects, converted by the program:
every sweep point and blob component must stand where the modeller has it (NAME.world.json beside
each export), within 0.0015, and the message must be the summary alone, or NAME.txt where one
stands beside the export. Components are compared as shape matrices (M times M transposed), so how
an ellipsoid's axes are ordered or signed does not matter; a radius is compared as it is.

    world_values_test.py VEXLORIN MODELLER_DIR...
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

TOLERANCE = 0.0015
VECTOR = r"<([^>]*)>"


def numbers(text):
    return [float(n) for n in text.split(",")]


def shape(columns):
    """M·Mᵀ of the matrix with these columns (where the axes go)."""
    return [[sum(c[r] * c[s] for c in columns) for s in range(3)] for r in range(3)]


def written(include):
    """The sweep points (centre, radius) and blob components (centre, shape) of an include."""
    points, components = [], []
    for line in include.splitlines():
        if line.startswith("     <"):
            centre, radius = re.fullmatch(r"     " + VECTOR + r" , (\S+)", line).groups()
            points.append((numbers(centre), float(radius)))
        elif "sphere{" in line:
            form, values, centre = re.search(r"(scale|matrix) " + VECTOR + r".* " + VECTOR, line).groups()
            m = numbers(values)
            axes = [[m[0], 0, 0], [0, m[1], 0], [0, 0, m[2]]] if form == "scale" else [m[0:3], m[3:6], m[6:9]]
            components.append((numbers(centre), shape(axes)))
    return points[1:-1], components  # the sweep's first and last points are written twice


def modelled(export, world):
    """The same, as the modeller has them, in the order the export holds the objects."""
    by_name = {o["x3d_def"]: o["export_axes_world"] for o in world["objects_in_view_layer_order"]}
    names = re.findall(r'<Transform DEF="((?:Sweep|Mball)\w*)_TRANSFORM"', export)
    points, components = [], []
    for name in (n for n in names if not n.endswith("_ifs")):  # not a mesh's own transform
        values = by_name[name]
        columns = [[row[c] for row in values["matrix3"]] for c in range(3)]
        if name.startswith("Sweep"):
            points.append((values["translation"], sum(v * v for v in columns[0]) ** 0.5))
        else:
            components.append((values["translation"], shape(columns)))
    return points, components


def flat(value):
    return [x for item in value for x in (flat(item) if isinstance(item, (list, tuple)) else [item])]


def check(program, folder, name):
    with tempfile.TemporaryDirectory() as work:
        shutil.copy(os.path.join(folder, name + ".x3d"), work)
        run = subprocess.run([program, name + ".x3d"], cwd=work, capture_output=True, text=True)
        with open(os.path.join(work, name + ".inc"), encoding="ascii") as include:
            got = written(include.read())
    with open(os.path.join(folder, name + ".x3d"), encoding="utf-8") as export, open(
        os.path.join(folder, name + ".world.json"), encoding="utf-8"
    ) as world:
        want = modelled(export.read(), json.load(world))
    failures = []
    said = os.path.join(folder, name + ".txt")
    expected = open(said, encoding="utf-8").read() if os.path.exists(said) else None
    message = run.stdout.strip().split("\n", 1)[1]  # below the caption
    if run.returncode != 0 or message != (expected or message.split("\n")[0]):
        failures.append(f"{name}: expected {expected or 'the summary alone'}, got: {run.stdout}{run.stderr}")
    return failures + differences(name, got, want)


def differences(name, got, want):
    """Each point or component written further than TOLERANCE from where the modeller has it, and
    each count that differs."""
    failures = []
    for kind, got_items, want_items in zip(("point", "component"), got, want):
        if len(got_items) != len(want_items):
            failures.append(f"{name}: {len(got_items)} {kind}s written, {len(want_items)} modelled")
        for i, (g, w) in enumerate(zip(got_items, want_items)):
            worst = max(abs(a - b) for a, b in zip(flat(g), flat(w)))
            if worst > TOLERANCE:
                failures.append(f"{name}: {kind} {i + 1} is off by {worst:.4f}: {g} against {w}")
    return failures


def main():
    program, folders = os.path.abspath(sys.argv[1]), sys.argv[2:]
    exports = sorted((d, f[: -len(".x3d")]) for d in folders for f in os.listdir(d) if f.endswith(".x3d"))
    failures = [failure for folder, name in exports for failure in check(program, folder, name)]
    print("\n".join(failures) or f"ok: {', '.join(name for _, name in exports)}")
    return 1 if failures or not exports else 0


if __name__ == "__main__":
    sys.exit(main())
