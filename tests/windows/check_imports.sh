#!/bin/bash
# Checks that a Windows program is a 64-bit GUI program that needs nothing but system DLLs: the
# runtime is linked in, so it runs on a bare Windows.
set -eu
program="$1"
dump=$(x86_64-w64-mingw32-objdump -p "$program")
grep -q 'Magic.*020b' <<<"$dump" || { echo "not a 64-bit program"; exit 1; }
grep -q 'Subsystem.*Windows GUI' <<<"$dump" || { echo "not a GUI program"; exit 1; }
allowed='^(kernel32|user32|comdlg32|comctl32|ole32|shell32|msvcrt)\.dll$'
status=0
while read -r dll; do
    if grep -qiE "$allowed" <<<"$dll"; then
        echo "ok   $dll"
    else
        echo "FAIL $dll is not a system DLL"
        status=1
    fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")
exit $status
