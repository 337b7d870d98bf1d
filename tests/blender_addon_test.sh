#!/usr/bin/env bash
# The modeller's add-on, in the modeller run headless with a home, user scripts folder (where the
# add-on is installed) and temporary folder of its own, so that the user's configuration is never
# touched and whatever the add-on leaves behind is seen; blender_addon_test.py says what it checks.
# Skipped without the modeller (Debian: apt-get install --no-install-recommends blender).
#
#   blender_addon_test.sh VEXLORIN ADDON_ZIP
source "$(dirname "$0")/lib.sh"
command -v blender >/dev/null || skip "blender is not installed"
mkdir "$work/home" "$work/scripts" "$work/tmp" "$work/test"
HOME=$work/home BLENDER_USER_SCRIPTS=$work/scripts TMPDIR=$work/tmp \
    blender -b --factory-startup -noaudio --python-exit-code 1 \
    --python "$(dirname "$0")/blender_addon_test.py" -- \
    "$(realpath "$1")" "$(realpath "$2")" "$work/test"
