#!/usr/bin/env bash
# What `cmake --install` puts on a desktop, and the Debian package: the program, a valid menu entry
# that the desktop offers for .x3d files and that hands them to the program, the icon, the X3D file
# type, the manual page, valid AppStream metadata, the modeller's add-on; a package lintian finds
# nothing wrong with.
# Usage: packaging_test.sh <build folder> gtk|terminal (the dialogs the build has)
source "$(dirname "$0")/../lib.sh"
build=$(realpath "$1")
dialogs=$2

share=$work/root/usr/share
id=org.quillbrace.Vexlorin
files=(usr/bin/vexlorin usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml
       usr/share/icons/hicolor/scalable/apps/vexlorin.svg usr/share/mime/packages/vexlorin.xml
       usr/share/man/man1/vexlorin.1.gz usr/share/vexlorin/vexlorin_export.zip)

# --- cmake --install ------------------------------------------------------------------------------
DESTDIR=$work/root cmake --install "$build" --prefix /usr >"$work/install.txt" 2>&1
for file in "${files[@]}"; do
    check "installed: $file" test -s "$work/root/$file"
done
check "the program is executable" test -x "$work/root/usr/bin/vexlorin"
if command -v desktop-file-validate >/dev/null; then
    check "the menu entry is valid" desktop-file-validate "$share/applications/$id.desktop"
fi
# What software centres list: no errors and no warnings, and the menu entry it names is installed.
check "the AppStream metadata is valid" \
    appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml"
check "... and its menu entry is installed beside it" appstreamcli validate-tree --no-net "$work/root"
# The add-on's zip: one folder, with bl_info for Blender up to 4.1, a manifest 4.2 and later accept.
check "the add-on's zip holds vexlorin_export/ with __init__.py and a whole manifest" python3 -c '
import sys, tomllib, zipfile
files = zipfile.ZipFile(sys.argv[1])
manifest = tomllib.loads(files.read("vexlorin_export/blender_manifest.toml").decode())
assert "vexlorin_export/__init__.py" in files.namelist() and manifest["type"] == "add-on"
assert {"schema_version", "id", "version", "name", "tagline", "maintainer", "blender_version_min",
        "license"} <= manifest.keys() and len(manifest["tagline"]) <= 64' \
    "$share/vexlorin/vexlorin_export.zip"
check "the icon is well-formed XML" xmllint --noout "$share/icons/hicolor/scalable/apps/vexlorin.svg"
if command -v man >/dev/null; then
    manual=$share/man/man1/vexlorin.1.gz
    check "the manual page renders without warnings" \
        bash -c "! LC_ALL=C.UTF-8 man --warnings -l '$manual' 2>&1 >/dev/null | grep ."
    LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$manual" >"$work/manual.txt" 2>/dev/null
    for option in $("$build/vexlorin" --help | sed -n '/^Options:/,/^$/p' | grep -oE -- '--?[A-Za-z]*'); do
        check "the manual page explains $option, as --help does" grep -qwF -- "$option" "$work/manual.txt"
    done
fi

# The desktop's view with the installed files added, once its caches are updated as a package
# install does: a .x3d file is an X3D scene, and Vexlorin is the application offered for it.
desktop() {
    env PATH="$work/root/usr/bin:$PATH" XDG_DATA_DIRS="$share:/usr/share" \
        XDG_DATA_HOME="$work/home" HOME="$work/home" "$@"
}
is_x3d_scene() { desktop gio info -a standard::content-type "$1" | grep -q 'model/x3d+xml'; }
offers_vexlorin() { desktop gio mime model/x3d+xml | grep -qF "$id.desktop"; }
if command -v update-mime-database >/dev/null && command -v update-desktop-database >/dev/null &&
    command -v gio >/dev/null; then
    mkdir -p "$work/home"
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<X3D version="3.0">\n</X3D>\n' >"$work/a.x3d"
    desktop update-mime-database "$share/mime" >/dev/null 2>&1
    desktop update-desktop-database "$share/applications" >/dev/null 2>&1
    check "a .x3d file is a model/x3d+xml scene" is_x3d_scene "$work/a.x3d"
    check "Vexlorin is offered for model/x3d+xml" offers_vexlorin
    # Opening files with the menu entry, as a file manager does (no display: the result is printed).
    # One start must take both: without a field code for files, one start is made per file.
    cp "$work/a.x3d" "$work/b.x3d"
    desktop env -u DISPLAY -u WAYLAND_DISPLAY gio launch "$share/applications/$id.desktop" \
        "$work/a.x3d" "$work/b.x3d" >"$work/launched.txt" 2>&1
    both_said() { grep -q '^a.inc created' "$work/launched.txt" && grep -q '^b.inc created' "$work/launched.txt"; }
    converted() { for _ in $(seq 100); do both_said && return; sleep 0.1; done; false; }
    check "opening two .x3d files with the menu entry converts both" converted
    check "... in one start, with one result" test "$(grep -c '^Vexlorin 0.5' "$work/launched.txt")" -eq 1
else
    echo "skipped the desktop's view: update-mime-database, update-desktop-database or gio missing"
fi

# --- cpack -G DEB -----------------------------------------------------------------------------
if (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb") >"$work/cpack.txt" 2>&1; then
    deb=$(ls "$work"/deb/vexlorin_*.deb)
    dpkg-deb -c "$deb" >"$work/contents.txt"
    for file in "${files[@]}"; do
        check "packaged: $file" grep -q " ./$file\$" "$work/contents.txt"
    done
    check "lintian finds no error and no warning" lintian --fail-on error,warning "$deb"
    version=$(dpkg-deb -f "$deb" Version)
    check "the AppStream metadata lists release $version" \
        grep -qF "<release version=\"$version\"" "$share/metainfo/$id.metainfo.xml"
    dpkg-deb -f "$deb" Depends >"$work/depends.txt"
    if [ "$dialogs" = gtk ]; then
        check "the package depends on GTK 3" grep -q libgtk-3-0 "$work/depends.txt"
    else
        check "a terminal-only package needs no GTK" bash -c "! grep -q libgtk '$work/depends.txt'"
    fi
else
    fail "cpack -G DEB"
    cat "$work/cpack.txt"
fi
finish
