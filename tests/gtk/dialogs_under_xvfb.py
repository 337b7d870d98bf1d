#!/usr/bin/python3
"""The GTK dialogs of vexlorin, driven end to end in a real X server.

Runs inside the X server and private D-Bus session (for the accessibility bus) that ctest starts
with xvfb-run and dbus-run-session. Plays the user: choosing a copy of the scene and pressing OK on
the summary, cancelling, a file that does not exist, and a start with the scene as its argument
(as from the file manager: one box, no dialog). Keys go to the windows through xdotool; what the
dialogs show is read back through AT-SPI, and the location entry is filled through AT-SPI as well,
because GTK completes a typed path after each slash and so garbles what a synthetic keyboard types
there. Every wait is bounded: a dialog that does not appear fails the test. A screenshot of each
dialog is saved as PNG.

Exit codes: 0 passed, 1 failed, 77 skipped (a tool is missing outside CI).
"""

import argparse
import contextlib
import filecmp
import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
WAIT_SECONDS = 20.0
TOOLS = ("xdotool", "import")

OPEN_TITLE = "open x3d file"
SUMMARY_CAPTION = "Vexlorin 0.5  quillbrace 3.10.23"
SUMMARY_TEXT = "scene.inc created > blobs: 3 sweeps: 5"


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)
    print("ok:", what, flush=True)


def wait_for(what, probe, seconds=WAIT_SECONDS):
    """Calls probe until it returns something true, for at most `seconds`."""
    deadline = time.monotonic() + seconds
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure("timed out after %g s waiting for %s" % (seconds, what))
        time.sleep(0.2)


# --- X server ----------------------------------------------------------------------------------

def xdotool(*args):
    try:
        done = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=10)
    except subprocess.TimeoutExpired:
        raise Failure("xdotool %s did not finish within 10 s" % " ".join(args))
    return done.stdout.split()


def press(window, keys):
    """Gives the window the keyboard (there is no window manager to do it) and presses the keys."""
    xdotool("windowfocus", "--sync", window)
    xdotool("key", "--clearmodifiers", keys)


def visible_window(title):
    """The id of the visible window whose title is exactly `title`, or None."""
    pattern = "^" + "".join("\\" + c if c in ".^$*+?()[]{}|\\" else c for c in title) + "$"
    ids = xdotool("search", "--onlyvisible", "--name", pattern)
    return ids[0] if ids else None


def screenshot(window, path):
    subprocess.run(["import", "-window", window, path], check=True, timeout=30)
    check(os.path.getsize(path) > 0, "screenshot saved: " + path)


# --- Accessibility tree ------------------------------------------------------------------------

def descendants(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from descendants(node.getChildAtIndex(i), depth + 1)


def role(node):
    return node.getRoleName()


def application(pyatspi, pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def top_window(pyatspi, pid, title):
    app = application(pyatspi, pid)
    if app is None:
        return None
    for i in range(app.childCount):
        window = app.getChildAtIndex(i)
        if window is not None and window.name == title and window.getState().contains(
                pyatspi.STATE_SHOWING):
            return window
    return None


def shown_texts(window, wanted_role):
    return [node.name for node in descendants(window) if role(node) == wanted_role and node.name]


def file_list(chooser):
    """The names in the chooser's file table, once it has loaded."""
    for node in descendants(chooser):
        if role(node) == "table" and node.name == "Files":
            return sorted(cell.name for cell in descendants(node)
                          if role(cell) == "table cell" and cell.name.endswith(
                              (".x3d", ".X3D", ".txt", ".inc")))
    return []


def location_entry(chooser):
    for node in descendants(chooser):
        if role(node) == "text" and node.parent is not None and node.parent.name == "Location Layer":
            return node
    return None


# --- The two runs ------------------------------------------------------------------------------

@contextlib.contextmanager
def running(args, env, work, arguments=(), exit_code=0):
    """The program, started in `work`, for the body to work its dialogs; afterwards it must end by
    itself with the exit code, having printed nothing (its dialogs were GTK's, not the terminal's).
    When the body fails, the program is ended and what it printed is shown."""
    process = subprocess.Popen([args.program, *arguments], cwd=work, env=env,
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    try:
        yield process
        out, err = process.communicate(timeout=WAIT_SECONDS)
    except BaseException:
        process.kill()
        print("the program was ended; it printed %r, errors %r" % process.communicate(), flush=True)
        raise
    if err:
        print("program errors:", err.decode(errors="replace"), flush=True)
    check(process.returncode == exit_code,
          "exit code %d (was %s)" % (exit_code, process.returncode))
    check(out == b"", "nothing printed on the terminal: the dialogs were GTK's")


def check_message(pyatspi, pid, caption, text):
    """Waits for the message box; checks title, text, one OK button and no icon. Its window id.
    The text is the exact text, or a (beginning, end) pair for a text that holds a reason."""
    window = wait_for("the box titled %r" % caption, lambda: visible_window(caption))
    box = wait_for("the box in the accessibility tree", lambda: top_window(pyatspi, pid, caption))
    labels = shown_texts(box, "label")
    if isinstance(text, tuple):
        check(len(labels) == 1 and labels[0].startswith(text[0]) and labels[0].endswith(text[1]),
              "the box says %r...%r: %r" % (text[0], text[1], labels))
    else:
        check(labels == [text], "the box says %r" % text)
    check(shown_texts(box, "push button") == ["OK"], "exactly one button, OK")
    check(shown_texts(box, "icon") == [] and not any(
        role(node) in ("icon", "image") for node in descendants(box)), "no icon")
    return window


def wait_for_chooser(pyatspi, pid, expected_files):
    window = wait_for("the window titled %r" % OPEN_TITLE, lambda: visible_window(OPEN_TITLE))
    chooser = wait_for("the file chooser in the accessibility tree",
                       lambda: top_window(pyatspi, pid, OPEN_TITLE))
    combos = [node for node in descendants(chooser) if role(node) == "combo box"]
    check([c.name for c in combos] == ["x3d (*.x3d)"], "the filter x3d (*.x3d) is selected")
    check(len(shown_texts(combos[0], "menu item")) == 1, "one filter is offered")
    wait_for("the file list %s" % expected_files, lambda: file_list(chooser) == expected_files)
    check(True, "the current folder is shown, x3d files in either case only: %s" % expected_files)
    return window, chooser


def type_location(window, chooser, path):
    """Opens the location entry with Ctrl+L, puts the path in it and presses Return. (Ctrl+L
    toggles: once the entry is open, it stays open.)"""
    if location_entry(chooser) is None:
        press(window, "ctrl+l")
    entry = wait_for("the location entry", lambda: location_entry(chooser))
    entry.queryEditableText().setTextContents(path)
    wait_for("the path in the location entry", lambda: entry.queryText().getText(0, -1) == path)
    press(window, "Return")


def choose_and_convert(pyatspi, args, env, work):
    with running(args, env, work) as process:
        window, chooser = wait_for_chooser(pyatspi, process.pid, ["LOUD.X3D", "scene.x3d"])
        screenshot(window, os.path.join(args.screenshots, "gtk-open-dialog.png"))
        type_location(window, chooser, os.path.join(work, "scene.x3d"))
        window = check_message(pyatspi, process.pid, SUMMARY_CAPTION, SUMMARY_TEXT)
        screenshot(window, os.path.join(args.screenshots, "gtk-summary.png"))
        press(window, "Return")
    check_include(args, work)


def check_include(args, work):
    expected = os.path.join(args.fixtures, "scene.inc")
    check(filecmp.cmp(os.path.join(work, "scene.inc"), expected, shallow=False),
          "scene.inc holds exactly the expected bytes")


def cancel(pyatspi, args, env, work):
    before = sorted(os.listdir(work))
    with running(args, env, work) as process:
        window, _ = wait_for_chooser(pyatspi, process.pid, ["LOUD.X3D", "scene.x3d"])
        press(window, "Escape")
        window = check_message(pyatspi, process.pid, "Info:", "canceled")
        screenshot(window, os.path.join(args.screenshots, "gtk-canceled.png"))
        # Closing the box instead of pressing OK ends the run just the same.
        press(window, "Escape")
    check(sorted(os.listdir(work)) == before, "nothing was written")


def missing_file(pyatspi, args, env, work):
    """A file that does not exist, in a folder that does, is returned by the dialog (no
    must-exist flag), and the conversion says it could not be opened."""
    before = sorted(os.listdir(work))
    with running(args, env, work) as process:
        window, chooser = wait_for_chooser(pyatspi, process.pid, ["LOUD.X3D", "scene.x3d"])
        missing = os.path.join(work, "missing.x3d")
        type_location(window, chooser, missing)
        window = check_message(pyatspi, process.pid, SUMMARY_CAPTION,
                               (missing + " could not be opened (", "). Nothing was written."))
        press(window, "Return")
    check(sorted(os.listdir(work)) == before, "nothing was written")


def file_argument(pyatspi, args, env, work):
    """Started with a file, as the file manager starts it (output to a pipe): no open dialog, one
    box with the summary, the include written."""
    with running(args, env, work, ["scene.x3d"]) as process:
        window = check_message(pyatspi, process.pid, SUMMARY_CAPTION, SUMMARY_TEXT)
        check(top_window(pyatspi, process.pid, OPEN_TITLE) is None, "no open dialog")
        press(window, "Return")
    check_include(args, work)


def many_files(pyatspi, args, env, work):
    """Two thousand files opened at once (one export, the rest missing): one box within the wait,
    its summary first and the failures in a text area that scrolls, all of it on a 1280x800
    screen."""
    names = ["scene.x3d"] + ["missing%04d.x3d" % i for i in range(1999)]
    started = time.monotonic()
    with running(args, env, work, names, exit_code=1) as process:
        summary = "2000 files: 1 converted, 0 of them with notes, 1999 failed."
        window = check_message(pyatspi, process.pid, SUMMARY_CAPTION, summary)
        check(True, "the box appeared after %.1f s" % (time.monotonic() - started))
        box = top_window(pyatspi, process.pid, SUMMARY_CAPTION)
        areas = [node for node in descendants(box) if role(node) == "text"]
        check(len(areas) == 1 and areas[0].queryText().characterCount > 1999 * 40,
              "the failures are in one text area")
        geometry = dict(v.split("=") for v in xdotool("getwindowgeometry", "--shell", window))
        width, height = int(geometry["WIDTH"]), int(geometry["HEIGHT"])
        check(width <= 1280 and height <= 800, "the box fits 1280x800 (%dx%d)" % (width, height))
        screenshot(window, os.path.join(args.screenshots, "gtk-many-files.png"))
        press(window, "Return")
    check_include(args, work)


def program_environment(root):
    """A clean desktop session for the program: this display, no portal, a home of its own."""
    env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY", "NO_AT_BRIDGE")}
    home = os.path.join(root, "home")
    runtime = os.path.join(root, "runtime")
    for folder in (home, runtime):
        os.makedirs(folder, mode=0o700)
    env.update(GDK_BACKEND="x11", HOME=home, XDG_RUNTIME_DIR=runtime,
               XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"), GSETTINGS_BACKEND="memory",
               GTK_USE_PORTAL="0", LANG="C.UTF-8", LC_ALL="C.UTF-8")
    return env


def work_folder(root, name, fixtures):
    """A folder with a copy of the scene, the same scene under an upper-case name, and a decoy."""
    folder = os.path.join(root, name)
    os.makedirs(folder)
    shutil.copyfile(os.path.join(fixtures, "scene.x3d"), os.path.join(folder, "scene.x3d"))
    shutil.copyfile(os.path.join(fixtures, "scene.x3d"), os.path.join(folder, "LOUD.X3D"))
    with open(os.path.join(folder, "notes.txt"), "w") as notes:
        notes.write("not a scene\n")
    return folder


def run(args):
    os.makedirs(args.screenshots, exist_ok=True)
    import pyatspi  # with DISPLAY and the session bus set, so it finds the accessibility bus

    try:
        with tempfile.TemporaryDirectory(prefix="vexlorin-gtk-") as root:
            env = program_environment(root)
            for run_case in (choose_and_convert, cancel, missing_file, file_argument, many_files):
                print("--", run_case.__name__, flush=True)
                run_case(pyatspi, args, env, work_folder(root, run_case.__name__, args.fixtures))
    except Exception:
        # What the screen showed when the test gave up.
        subprocess.run(["import", "-window", "root", os.path.join(args.screenshots, "failure.png")],
                       timeout=30)
        raise


def missing_tools():
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    if not os.environ.get("DISPLAY") or not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        missing.append("an X server and a session bus (xvfb-run, dbus-run-session)")
    if importlib.util.find_spec("pyatspi") is None:
        missing.append("pyatspi for " + sys.executable)
    return missing


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--fixtures", required=True)
    parser.add_argument("--screenshots", required=True)
    args = parser.parse_args()
    args.program = os.path.abspath(args.program)
    missing = missing_tools()
    if missing:
        print("missing:", ", ".join(missing), flush=True)
        return 1 if os.environ.get("CI") else SKIPPED
    try:
        run(args)
    except Exception as failure:
        print("FAILED:", failure, flush=True)
        return 1
    print("all GTK dialog checks passed", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
