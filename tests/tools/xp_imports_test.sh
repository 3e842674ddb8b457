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

delayed="$top/platform/win/delay_loaded.txt"

failures=0
shipped=()
for exe in "$w64/kvtool.exe" "$w32/kvtool.exe"; do
  if [ -f "$exe" ]; then shipped+=("$exe"); else echo "FEHLER: $exe fehlt"; failures=$((failures + 1)); fi
done
# The setup program runs first of all, on the oldest system too.
for setup in "$w64"/klavento-*-setup.exe; do [ -f "$setup" ] && shipped+=("$setup"); done
python3 "$check" "$lists" "${shipped[@]}" || failures=$((failures + 1))
# Both programs, with what they load on first use.
programs=()
for exe in "$w64/klavento.exe" "$w32/klavento.exe"; do
  if [ -f "$exe" ]; then programs+=("$exe"); else echo "FEHLER: $exe fehlt"; failures=$((failures + 1)); fi
done
python3 "$check" "$lists" --delay-list "$delayed" "${programs[@]}" || failures=$((failures + 1))

# The check sees a function XP lacks in the list too, and a delayed DLL that
# is imported at start after all (kvtool imports shell32 as usual).
probe_list=$(mktemp)
trap 'rm -f "$probe_list"' EXIT
{ cat "$delayed"; echo "shell32.dll shell32 SHGetKnownFolderPath"; } >"$probe_list"
out=$(python3 "$check" "$lists" --delay-list "$probe_list" "$w64/klavento.exe" "$w64/kvtool.exe")
if grep -q "klavento.exe: loads shell32.dll SHGetKnownFolderPath on first use, which Windows XP does not export" <<<"$out" &&
  grep -q "kvtool.exe: imports shell32.dll at start" <<<"$out"; then
  echo "ok: the check refuses a function XP lacks in the list and a delayed DLL imported at start"
else
  echo "FEHLER: the delay-load check let something through:"
  echo "$out"
  failures=$((failures + 1))
fi

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
