"""File > Export > POV-Ray include (Vexlorin) (.inc).

The scene's Sweep and Mball objects become the sphere_sweep and blob of a POV-Ray include: the
modeller's own X3D exporter writes the scene into a temporary folder, Vexlorin converts it there,
and the include (with the starter scene and its preview picture when asked) is moved to the folder
the user chose. Vexlorin's message appears in the status bar and the Info log.
"""

bl_info = {
    "name": "POV-Ray include (Vexlorin)",
    "author": "Vexlorin developers",
    "version": (0, 5, 0),
    "blender": (2, 80, 0),
    "location": "File > Export > POV-Ray include (Vexlorin) (.inc)",
    "description": "Export Sweep and Mball objects as a POV-Ray sphere_sweep and blob, "
    "converted by Vexlorin (needs the X3D exporter and the vexlorin program)",
    "category": "Import-Export",
}

import os
import shutil
import tempfile

import bpy
from bpy.props import BoolProperty, StringProperty
from bpy_extras.io_utils import ExportHelper

from . import program

# What the conversion needs of an export, given in full so that nothing a user once chose in the
# X3D exporter's own dialog changes an include: the hierarchy (without it, empties and metaballs
# vanish), no compression, and the exporter's defaults for the axes, scale, names and modifiers.
X3D_OPTIONS = {
    "use_hierarchy": True,
    "use_compress": False,
    "axis_forward": "Z",
    "axis_up": "Y",
    "global_scale": 1.0,
    "name_decorations": True,
    "use_mesh_modifiers": True,
    "check_existing": False,
}


class VexlorinPreferences(bpy.types.AddonPreferences):
    """Where the add-on finds the vexlorin program."""

    bl_idname = __package__

    vexlorin_path: StringProperty(
        name="Vexlorin program",
        description="The vexlorin program (vexlorin.exe on Windows); "
        "when empty, vexlorin is looked for on the PATH",
        subtype='FILE_PATH',
    )

    def draw(self, _context):
        self.layout.prop(self, "vexlorin_path")


class ExportVexlorin(bpy.types.Operator, ExportHelper):
    """Export the Sweep and Mball objects as a POV-Ray include, converted by Vexlorin"""

    bl_idname = "export_scene.vexlorin"
    bl_label = "Export include"

    filename_ext = ".inc"
    filter_glob: StringProperty(default="*.inc", options={'HIDDEN'})

    use_selection: BoolProperty(
        name="Selection Only",
        description="Export the selected objects only",
        default=False,
    )
    starter_scene: BoolProperty(
        name="Starter scene",
        description="Also write NAME.pov, a POV-Ray scene that renders the include "
        "(an existing NAME.pov is kept as it is)",
        default=False,
    )
    preview: BoolProperty(
        name="Preview",
        description="Render the starter scene (written too) with POV-Ray to NAME.png and show it",
        default=False,
    )

    def execute(self, context):
        """Exports and converts; {'CANCELLED'} with the reason reported as an error when anything
        is missing or fails, in which case nothing of the user's is changed."""
        try:
            converted = self.export(context)
        except program.Failure as failure:
            self.report({'ERROR'}, str(failure))
            return {'CANCELLED'}
        return {'FINISHED'} if converted else {'CANCELLED'}

    def export(self, context):
        """Checks that the program and the X3D exporter are there and the chosen folder exists,
        then converts in a new temporary folder, removed whatever happens. True when converted."""
        folder, name = os.path.split(os.path.abspath(bpy.path.abspath(self.filepath)))
        base = os.path.splitext(name)[0]
        if not base:
            raise program.Failure("Choose a file name for the include.")
        if not os.path.isdir(folder):
            raise program.Failure(folder + " is not a folder: choose one that exists.")
        preferences = context.preferences.addons[__package__].preferences
        vexlorin = program.find_program(preferences.vexlorin_path)
        require_x3d_exporter()
        try:
            work = tempfile.mkdtemp(prefix="vexlorin-")
        except OSError as error:
            raise program.Failure("No temporary folder could be made: " + program.reason(error))
        try:
            return self.convert(vexlorin, work, folder, base)
        finally:
            shutil.rmtree(work, ignore_errors=True)

    def convert(self, vexlorin, work, folder, base):
        """Exports BASE.x3d into the work folder, runs Vexlorin there and reports its message;
        when it converted, moves its files to the user's folder (a BASE.pov already there stays)
        and shows the preview. True when converted."""
        export_x3d(os.path.join(work, base + ".x3d"), self.use_selection)
        with_scene = self.starter_scene or self.preview
        kept = with_scene and program.keep_scene(folder, work, base)
        status, lines = program.run(vexlorin, work, base + ".x3d", self.starter_scene, self.preview)
        self.show_message(status, lines)
        if status != 0:
            return False
        wanted = [base + ".inc"]
        wanted += [base + ".pov"] if with_scene and not kept else []
        wanted += [base + ".png"] if self.preview else []
        placed = program.place(work, folder, wanted, keep=base + ".pov")
        if os.path.join(folder, base + ".inc") not in placed:
            raise program.Failure("Vexlorin said it converted the export, but wrote no include.")
        picture = os.path.join(folder, base + ".png")
        if picture in placed:
            self.show_preview(picture)
        return True

    def show_preview(self, picture):
        """Shows the picture; one that cannot be shown is a warning, the include being written."""
        try:
            show_picture(picture)
        except (RuntimeError, TypeError) as error:
            self.report({'WARNING'}, "The preview " + picture + " cannot be shown: " + str(error))

    def show_message(self, status, lines):
        """Each line of Vexlorin's message in the status bar and the Info log: the first (the
        summary) as information, each further one (a note) as a warning; every line as an error
        when Vexlorin's exit status says the file failed (and a line saying so when it said
        nothing, or ended in a way it never does by itself)."""
        if status not in (0, 1, 2):
            lines = lines + ["Vexlorin stopped unexpectedly (exit status %d)." % status]
        elif status != 0 and not lines:
            lines = ["Vexlorin failed (exit status %d) and said nothing." % status]
        for number, line in enumerate(lines):
            level = 'ERROR' if status != 0 else 'INFO' if number == 0 else 'WARNING'
            self.report({level}, line)


def require_x3d_exporter():
    """Fails, saying how to get it, when the modeller's X3D exporter is not there: an add-on of
    the modeller's own up to 4.1, to be enabled; from 4.2 on an extension, to be installed."""
    if hasattr(bpy.types, "EXPORT_SCENE_OT_x3d"):
        return
    if bpy.app.version >= (4, 2, 0):
        how = 'install the extension "Web3D X3D/VRML2 format" (Edit > Preferences > Get Extensions)'
    else:
        how = ('enable the add-on "Import-Export: Web3D X3D/VRML2 format" '
               "(Edit > Preferences > Add-ons)")
    raise program.Failure("The X3D exporter is missing: " + how + ", then export again.")


def export_x3d(path, selection_only):
    """Writes the scene (or the selected objects) to path with the stock X3D exporter."""
    try:
        result = bpy.ops.export_scene.x3d(filepath=path, use_selection=selection_only,
                                          **X3D_OPTIONS)
    except (RuntimeError, TypeError) as error:
        raise program.Failure("The X3D exporter failed: " + str(error).strip())
    if 'FINISHED' not in result or not os.path.isfile(path):
        raise program.Failure("The X3D exporter wrote nothing.")


def show_picture(path):
    """Loads the picture as an image (reloaded, when it was loaded before) and, where the modeller
    has a window, shows it in an Image Editor: one already open, else one in a new window.
    Without a window, loading it is all."""
    image = bpy.data.images.load(path, check_existing=True)
    image.reload()
    windows = bpy.context.window_manager.windows
    if bpy.app.background or not windows:
        return
    editors = [a for w in windows for a in w.screen.areas if a.type == 'IMAGE_EDITOR']
    if not editors:
        before = set(w.as_pointer() for w in windows)
        bpy.ops.wm.window_new()
        new = [w for w in windows if w.as_pointer() not in before]
        if not new:
            return
        editors = [max(new[0].screen.areas, key=lambda area: area.width * area.height)]
        editors[0].type = 'IMAGE_EDITOR'
    editors[0].spaces.active.image = image


def menu_entry(self, _context):
    self.layout.operator(ExportVexlorin.bl_idname, text="POV-Ray include (Vexlorin) (.inc)")


CLASSES = (VexlorinPreferences, ExportVexlorin)


def register():
    for cls in CLASSES:
        bpy.utils.register_class(cls)
    bpy.types.TOPBAR_MT_file_export.append(menu_entry)


def unregister():
    bpy.types.TOPBAR_MT_file_export.remove(menu_entry)
    for cls in reversed(CLASSES):
        bpy.utils.unregister_class(cls)
