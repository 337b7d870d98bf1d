"""The modeller's add-on, installed from its zip into the modeller (Blender, headless) and used as a
script uses File > Export > POV-Ray include (Vexlorin), on a scene built here: Sweeps on a helix
under an empty that is moved, turned and scaled; turned, stretched metaballs; a mirrored Sweep; the
factory cube, light and camera besides. The include must hold the modeller's own world values
(within 0.0015, as world_values_test.py reads an include) and, with the scene and picture, be what
the command line makes of a stock export of the same scene, byte for byte; each message line must
be reported; an edited scene in the folder stays as it is; nothing is left in the temporary folder
and nothing but what was asked is written. Without the program, without the X3D exporter, and when
the program fails, the export fails with its message and changes nothing.

    blender -b --factory-startup --python blender_addon_test.py -- VEXLORIN ZIP WORK
(blender_addon_test.sh starts it with a home, user scripts and temporary folder of its own)
"""
import math
import os
import shutil
import subprocess
import sys

import addon_utils
import bmesh
import bpy
from mathutils import Matrix

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from world_values_test import differences, modelled, written  # noqa: E402

# Blender's axes to the export's (x, y, z) -> (-x, z, y), as the X3D exporter turns them by default.
EXPORT_AXES = Matrix(((-1, 0, 0, 0), (0, 0, 1, 0), (0, 1, 0, 0), (0, 0, 0, 1)))
SUMMARY = "robot.inc created > blobs: 3 sweeps: 7"
failures = []


def check(what, holds):
    print(("ok: " if holds else "FAIL: ") + what)
    if not holds:
        failures.append(what)


def build_scene():
    """The objects, linked in the order the export then holds them."""
    link = bpy.context.scene.collection.objects.link
    ball = bpy.data.meshes.new("Ball")
    sphere = bmesh.new()
    bmesh.ops.create_uvsphere(sphere, u_segments=8, v_segments=4, radius=1)
    sphere.to_mesh(ball)

    def add(name, data, location, scale, turn=(0, 0, 0), parent=None):
        placed = bpy.data.objects.new(name, data)
        link(placed)
        placed.parent, placed.location, placed.scale = parent, location, scale
        placed.rotation_euler = [math.radians(degrees) for degrees in turn]
        return placed

    rig = add("Rig", None, (2, -1, 0.5), (1.5, 1.5, 1.5), (20, 0, 30))
    for i in range(6):
        on_helix = (math.cos(0.8 * i), math.sin(0.8 * i), 0.3 * i)
        add("Sweep.%03d" % i if i else "Sweep", ball, on_helix, (0.2 + 0.05 * i,) * 3, parent=rig)
    for i, (turn, scale) in enumerate((((30, 0, 45), (1.5, 0.6, 0.8)),
                                       ((0, 60, 10), (0.5, 1.2, 0.7)), ((15, -20, 80), (1, 1, 2)))):
        metaball = bpy.data.metaballs.new("Mball")
        metaball.elements.new()
        add("Mball.%03d" % i if i else "Mball", metaball, (i - 1, 2, 0.5 * i), scale, turn)
    add("SweepMirrored", ball, (-1.5, 0.5, 2), (-0.3, 0.3, 0.3))
    bpy.context.view_layer.update()


def world_record():
    """The world values world_values_test.py reads, in the export's axes, from the modeller."""
    record = []
    for placed in bpy.data.objects:
        world = EXPORT_AXES @ placed.matrix_world
        matrix3 = [list(world.row[r])[:3] for r in range(3)]
        values = {"translation": list(world.translation), "matrix3": matrix3}
        record.append({"x3d_def": placed.name.replace(".", "_"), "export_axes_world": values})
    return {"objects_in_view_layer_order": record}


def contents(folder):
    """Each file and folder in the folder (and below it) by its path there, with its bytes (a
    folder's are None)."""
    found = {}
    for place, folders, files in os.walk(folder):
        found.update((os.path.relpath(os.path.join(place, name), folder), None) for name in folders)
        for name in files:
            with open(os.path.join(place, name), "rb") as file:
                found[os.path.relpath(os.path.join(place, name), folder)] = file.read()
    return found


def reference(vexlorin, folder, options, selection_only=False):
    """What the command line makes of a stock export (the exporter's defaults): the files it
    writes, the message lines it prints, and the export's text."""
    os.makedirs(folder)
    stock = os.path.join(folder, "robot.x3d")
    bpy.ops.export_scene.x3d(filepath=stock, use_selection=selection_only)
    run = subprocess.run([vexlorin, "--print"] + options + ["robot.x3d"], cwd=folder,
                         stdout=subprocess.PIPE, check=True)
    written_there = contents(folder)
    text = written_there.pop("robot.x3d").decode("utf-8")
    return written_there, run.stdout.decode("utf-8").splitlines(), text


def export(work, path, **options):
    """Runs the add-on's operator as a script does. Returns whether it finished, and the lines the
    modeller reported (headless, it prints them: "Info: ...", "Warning: ...", "Error: ...")."""
    said = os.path.join(work, "said.txt")
    sys.stdout.flush()
    terminal = os.dup(1)
    with open(said, "w") as capture:
        os.dup2(capture.fileno(), 1)
    try:
        finished = bpy.ops.export_scene.vexlorin(filepath=path, **options) == {'FINISHED'}
    except RuntimeError:
        finished = False
    finally:
        sys.stdout.flush()
        os.dup2(terminal, 1)
        os.close(terminal)
    with open(said, encoding="utf-8") as capture:
        lines = capture.read().splitlines()
    os.remove(said)
    print("\n".join(lines))
    return finished, [line for line in lines if line.startswith(("Info: ", "Warning: ", "Error: "))]


def check_export(work, folder, options, want, message):
    """One export that must write exactly the files want holds (the picture's bytes aside) and
    report each line of the message, leaving nothing in the temporary folder."""
    temporary = contents(os.environ["TMPDIR"])
    finished, said = export(work, os.path.join(folder, "robot.inc"), **options)
    got = contents(folder)
    check(f"{options}: finished", finished)
    check(f"{options}: wrote just {sorted(want)}: {sorted(got)}", got.keys() == want.keys())
    for name in (n for n in want if not n.endswith(".png")):
        check(f"{options}: {name} is what the command line writes", got.get(name) == want[name])
    reported = ["Info: " + message[0]] + ["Warning: " + line for line in message[1:]]
    check(f"{options}: reported {reported}", said[-len(reported):] == reported)
    check(f"{options}: left nothing in TMPDIR", contents(os.environ["TMPDIR"]) == temporary)
    return got


def check_failure(work, folder, what, error):
    """An export that must fail with the error and change nothing in the folder or TMPDIR."""
    before, temporary = contents(folder), contents(os.environ["TMPDIR"])
    finished, said = export(work, os.path.join(folder, "robot.inc"), starter_scene=True)
    check(f"{what}: failed, saying {error}", not finished and any(error in line for line in said))
    check(f"{what}: changed nothing", contents(folder) == before)
    check(f"{what}: left nothing in TMPDIR", contents(os.environ["TMPDIR"]) == temporary)


def check_picture(path, red):
    """The preview is loaded as an image of 640x480 (red all over when it is the edited scene)."""
    images = [i for i in bpy.data.images if bpy.path.abspath(i.filepath) == path]
    check(f"{path} loaded", len(images) == 1 and tuple(images[0].size) == (640, 480))
    if images and red:
        check("the edited scene was rendered", tuple(images[0].pixels[0:3]) == (1, 0, 0))


def main():
    vexlorin, addon_zip, work = sys.argv[sys.argv.index("--") + 1:]
    bpy.ops.preferences.addon_install(filepath=addon_zip)
    bpy.ops.preferences.addon_enable(module="vexlorin_export")
    menu = bpy.types.TOPBAR_MT_file_export._dyn_ui_initialize()
    check("in File > Export", any(f.__module__ == "vexlorin_export" for f in menu))
    preferences = bpy.context.preferences.addons["vexlorin_export"].preferences
    build_scene()
    preview = shutil.which("povray") is not None
    options = ["--scene"] + ["--preview"] * preview
    want, message, stock = reference(vexlorin, os.path.join(work, "reference"), options)
    check(f"the command line's summary: {message[0]}", message[0] == SUMMARY)

    preferences.vexlorin_path = vexlorin
    folder = os.path.join(work, "out")
    os.mkdir(folder)
    got = check_export(work, folder, {"starter_scene": True, "preview": preview}, want, message)
    include = got.get("robot.inc", b"").decode("ascii")
    placement = differences("robot.inc", written(include), modelled(stock, world_record()))
    check("placed as modelled " + "; ".join(placement[:3]), not placement)
    if "robot.png" in want:
        check_picture(os.path.join(folder, "robot.png"), red=False)

    # An edited scene stays, and is the one the preview renders.
    edited = b"#version 3.7;\nbackground { rgb <1, 0, 0> }\n"
    with open(os.path.join(folder, "robot.pov"), "wb") as scene:
        scene.write(edited)
    finished, said = export(work, os.path.join(folder, "robot.inc"), starter_scene=True,
                            preview=preview)
    check("an edited scene is kept", finished and contents(folder)["robot.pov"] == edited)
    check("... and said so", any(line.startswith("Warning: robot.pov kept") for line in said))
    if "robot.png" in want:
        check_picture(os.path.join(folder, "robot.png"), red=True)

    # Found on the PATH; the selected objects alone, the include alone.
    for placed in bpy.data.objects:
        placed.select_set(placed.name.startswith("Mball") or placed.name == "SweepMirrored")
    want, message, _ = reference(vexlorin, os.path.join(work, "selected"), [], selection_only=True)
    check(f"a selection makes another include: {message[0]}", message[0] != SUMMARY)
    path = os.path.join(work, "bin")
    os.mkdir(path)
    os.symlink(vexlorin, os.path.join(path, "vexlorin"))
    preferences.vexlorin_path, os.environ["PATH"] = "", path + os.pathsep + os.environ["PATH"]
    alone = os.path.join(work, "alone")
    os.mkdir(alone)
    check_export(work, alone, {"use_selection": True}, want, message)

    # Failures. A program that writes an include and then fails must not have it moved.
    failing = os.path.join(work, "failing")
    with open(failing, "w") as script:
        script.write("#!/bin/sh\necho nonsense >robot.inc\necho 'robot.x3d could not be read.'\n"
                     "exit 1\n")
    os.chmod(failing, 0o755)
    os.environ["PATH"] = work
    for what, program, error in (
        ("Vexlorin fails", failing, "Error: robot.x3d could not be read."),
        ("no program at its path", os.path.join(work, "none"), "Error: Vexlorin was not found at "),
        ("no program on the PATH", "", "Error: Vexlorin was not found on the PATH: install"),
    ):
        preferences.vexlorin_path = program
        check_failure(work, folder, what, error)
    preferences.vexlorin_path = vexlorin
    addon_utils.disable("io_scene_x3d")
    check_failure(work, folder, "no X3D exporter",
                  'Error: The X3D exporter is missing: enable the add-on "Import-Export: Web3D')
    print(f"{len(failures)} failed" if failures else "all passed")
    sys.exit(1 if failures else 0)


main()
