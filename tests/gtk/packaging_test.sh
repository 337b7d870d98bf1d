#!/usr/bin/env bash
# What `cmake --install` puts on a desktop, and the Debian package: the program, a valid menu entry
# that the desktop offers for .x3d files, the icon, the X3D file type.
# Usage: packaging_test.sh <build folder> gtk|terminal (the dialogs the build has)
set -u
build=$(realpath "$1")
dialogs=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passed=0

check() {  # check <description> <command...>
    local description=$1
    shift
    if "$@" >"$work/out.txt" 2>&1; then
        passed=$((passed + 1))
    else
        failures=$((failures + 1))
        echo "FAILED: $description"
        cat "$work/out.txt"
    fi
}

share=$work/root/usr/share
files=(usr/bin/vexlorin usr/share/applications/vexlorin.desktop
       usr/share/icons/hicolor/scalable/apps/vexlorin.svg usr/share/mime/packages/vexlorin.xml)

# --- cmake --install ------------------------------------------------------------------------------
DESTDIR=$work/root cmake --install "$build" --prefix /usr >"$work/install.txt" 2>&1
for file in "${files[@]}"; do
    check "installed: $file" test -s "$work/root/$file"
done
check "the program is executable" test -x "$work/root/usr/bin/vexlorin"
if command -v desktop-file-validate >/dev/null; then
    check "the menu entry is valid" desktop-file-validate "$share/applications/vexlorin.desktop"
fi
check "the icon is well-formed XML" xmllint --noout "$share/icons/hicolor/scalable/apps/vexlorin.svg"

# The desktop's view with the installed files added, once its caches are updated as a package
# install does: a .x3d file is an X3D scene, and Vexlorin is the application offered for it.
desktop() {
    env PATH="$work/root/usr/bin:$PATH" XDG_DATA_DIRS="$share:/usr/share" \
        XDG_DATA_HOME="$work/home" HOME="$work/home" "$@"
}
is_x3d_scene() { desktop gio info -a standard::content-type "$1" | grep -q 'model/x3d+xml'; }
offers_vexlorin() { desktop gio mime model/x3d+xml | grep -q 'vexlorin.desktop'; }
if command -v update-mime-database >/dev/null && command -v update-desktop-database >/dev/null &&
    command -v gio >/dev/null; then
    mkdir -p "$work/home"
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<X3D version="3.0">\n</X3D>\n' >"$work/a.x3d"
    desktop update-mime-database "$share/mime" >/dev/null 2>&1
    desktop update-desktop-database "$share/applications" >/dev/null 2>&1
    check "a .x3d file is a model/x3d+xml scene" is_x3d_scene "$work/a.x3d"
    check "Vexlorin is offered for model/x3d+xml" offers_vexlorin
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
    dpkg-deb -f "$deb" Depends >"$work/depends.txt"
    if [ "$dialogs" = gtk ]; then
        check "the package depends on GTK 3" grep -q libgtk-3-0 "$work/depends.txt"
    else
        check "a terminal-only package needs no GTK" bash -c "! grep -q libgtk '$work/depends.txt'"
    fi
else
    failures=$((failures + 1))
    echo "FAILED: cpack -G DEB"
    cat "$work/cpack.txt"
fi

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
