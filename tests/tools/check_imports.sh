#!/usr/bin/env bash
# The Windows programs must run on a bare system: no DLL beyond the system's.
set -u
dir=$1
shopt -s nullglob
exes=("$dir"/klavento.exe "$dir"/kvtool.exe)
[ -f "$dir/klavento.exe" ] || { echo "no Windows build in $dir"; exit 77; }
# GDI+ (gdiplus.dll) is part of Windows since XP.
allowed='^(kernel32|user32|gdi32|gdiplus|comctl32|comdlg32|shell32|advapi32|version|msvcrt|ole32|oleaut32|winspool\.drv|shlwapi|imm32|ws2_32|winmm|uxtheme|api-ms-win-.*)(\.dll)?$'
fail=0
for exe in "${exes[@]}"; do
  while read -r dll; do
    name=$(tr 'A-Z' 'a-z' <<<"$dll")
    if ! grep -Eq "$allowed" <<<"$name"; then
      echo "$(basename "$exe") needs $dll"; fail=1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
done
exit $fail
