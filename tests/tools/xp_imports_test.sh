#!/usr/bin/env bash
# Every shipped Windows program, 32- and 64-bit, imports only what Windows XP
# exports; and the check does find a function XP lacks.
#   xp_imports_test.sh SOURCE_DIR
set -u
top=$1
check="$top/tests/tools/check_imports.py"
lists="$top/tests/data"
w64="$top/build/windows"
w32="$top/build/windows32"
[ -f "$w64/klavento.exe" ] || [ -f "$w32/klavento.exe" ] || { echo "no Windows build"; exit 77; }

failures=0
shipped=()
for exe in "$w64/klavento.exe" "$w64/kvtool.exe" "$w32/klavento.exe" "$w32/kvtool.exe"; do
  if [ -f "$exe" ]; then shipped+=("$exe"); else echo "FEHLER: $exe fehlt"; failures=$((failures + 1)); fi
done
# The setup program runs first of all, on the oldest system too.
for setup in "$w64"/klavento-*-setup.exe; do [ -f "$setup" ] && shipped+=("$setup"); done
python3 "$check" "$lists" "${shipped[@]}" || failures=$((failures + 1))

for tree in "$w64" "$w32"; do
  probe="$tree/kv_later_import_probe.exe"
  [ -f "$probe" ] || { echo "FEHLER: $probe fehlt"; failures=$((failures + 1)); continue; }
  out=$(python3 "$check" "$lists" "$probe")
  rc=$?
  if [ $rc -eq 1 ] && grep -q "kernel32.dll GetTickCount64, which Windows XP does not export" <<<"$out"; then
    echo "ok: the check refuses $(basename "$tree")/kv_later_import_probe.exe (GetTickCount64)"
  else
    echo "FEHLER: the check let GetTickCount64 through in $probe (exit $rc):"
    echo "$out"
    failures=$((failures + 1))
  fi
done
[ $failures -eq 0 ] || exit 1
