"""Finding Vexlorin, running it on an export, and moving what it wrote to the user's folder.

Nothing here knows the modeller: the add-on talks to Vexlorin only as any program does, through
its command line, its standard output and its exit status.
"""
import os
import shutil
import subprocess
import tempfile

HOW_TO_GET = (
    "install Vexlorin (on Debian its package; on Windows vexlorin.exe from its release zip) and"
    " put it on the PATH, or set its path in the add-on's preferences"
    " (Edit > Preferences > Add-ons > POV-Ray include (Vexlorin))"
)


class Failure(Exception):
    """A failure the user can act on; its text says what happened and, where it can, what to do."""


def find_program(configured):
    """The path of the program to run: the configured one when a path is set, else `vexlorin` on
    the PATH (`vexlorin.exe` on Windows). A configured path where nothing runnable stands is a
    Failure, never a reason to run another program in its place."""
    if configured:
        path = os.path.abspath(os.path.expanduser(configured))
        if os.path.isfile(path) and os.access(path, os.X_OK):
            return path
        raise Failure("Vexlorin was not found at " + path + ": " + HOW_TO_GET + ".")
    found = shutil.which("vexlorin")
    if found:
        return found
    raise Failure("Vexlorin was not found on the PATH: " + HOW_TO_GET + ".")


def keep_scene(folder, work, base):
    """Copies an existing BASE.pov of the user's folder into the work folder, so that Vexlorin
    keeps it (and says so) and a preview renders the user's own scene. True when there was one;
    a BASE.pov that cannot be read is a Failure, since Vexlorin would otherwise write a new one."""
    scene = os.path.join(folder, base + ".pov")
    if not os.path.lexists(scene):
        return False
    try:
        shutil.copyfile(scene, os.path.join(work, base + ".pov"))
    except OSError as error:
        raise Failure("Your scene " + scene + " could not be read (" + reason(error) + ").")
    return True


def run(program, work, export, scene, preview):
    """Runs the program on the export (a bare file name in the work folder, the working folder)
    with --print, and --scene and --preview as asked. Returns its exit status and its message
    lines: standard output's, then standard error's, read as UTF-8, empty lines left out."""
    options = [option for option, wanted in (("--scene", scene), ("--preview", preview)) if wanted]
    try:
        done = subprocess.run([program, "--print"] + options + ["--", export], cwd=work,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE)
    except OSError as error:
        raise Failure("Vexlorin (" + program + ") could not be started (" + reason(error) + ").")
    said = (done.stdout + done.stderr).decode("utf-8", errors="replace")
    return done.returncode, [line for line in said.splitlines() if line.strip()]


def place(work, folder, names, keep):
    """Moves each named file that stands in the work folder to the user's folder, replacing a file
    of that name there; but a file named keep is never put over one (a scene the user saved there
    while Vexlorin ran stays). Returns the paths it placed."""
    placed = []
    for name in names:
        source, target = os.path.join(work, name), os.path.join(folder, name)
        if os.path.isfile(source) and not (name == keep and os.path.lexists(target)):
            try:
                move(source, target)
            except OSError as error:
                raise Failure(target + " could not be written (" + reason(error) + ").")
            placed.append(target)
    return placed


def move(source, target):
    """Puts source in target's place in one step, so that target is always either the old file or
    the whole new one: a rename where both are on one disk, else a copy beside the target that is
    then renamed over it (and removed when anything fails)."""
    try:
        os.replace(source, target)
        return
    except OSError:
        pass  # another disk (the temporary folder often is one): copy, then rename
    handle, part = tempfile.mkstemp(dir=os.path.dirname(target), prefix=".", suffix=".part")
    os.close(handle)
    try:
        shutil.copyfile(source, part)
        shutil.copymode(source, part)
        os.replace(part, target)
    except BaseException:
        os.unlink(part)
        raise


def reason(error):
    """The system's words for an OSError, without its number."""
    return error.strerror or str(error)
