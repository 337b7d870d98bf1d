#!/bin/bash
# Checks that a Windows program is a 64-bit GUI program that needs nothing but system DLLs: the
# runtime is linked in, so it runs on a bare Windows.
source "$(dirname "$0")/../lib.sh"
dump=$(x86_64-w64-mingw32-objdump -p "$1")
check "a 64-bit program" grep -q 'Magic.*020b' <<<"$dump"
check "a GUI program" grep -q 'Subsystem.*Windows GUI' <<<"$dump"
while read -r dll; do
    check "$dll is a system DLL" \
        grep -qiE '^(kernel32|user32|comdlg32|comctl32|ole32|shell32|msvcrt)\.dll$' <<<"$dll"
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")
finish
