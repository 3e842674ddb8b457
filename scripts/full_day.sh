#!/usr/bin/env bash
# Ein ganzer Übungstag als Test: baut den Windows-Zweig und führt den sonst
# abgeschalteten Test DISABLED_FullDay.FiftyExercises unter Wine aus – in
# einer eigenen Kopie des Wine-Präfixes auf einem eigenen virtuellen
# Bildschirm. Dauert etliche Minuten. Gibt die GDI- und USER-Objekte und den
# privaten Speicher des Programms nach der 2. und der 50. Übung aus.
#
#   scripts/full_day.sh [Build-Ordner]   (Vorgabe: build/windows)
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tree=${1:-$top/build/windows}
export LC_NUMERIC=C

cmake -S "$top" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
cmake --build "$tree" -j"${KV_JOBS:-2}" --target kv_win_tests klavento || {
  echo "Build fehlgeschlagen."; exit 1; }

source "$top/scripts/wine-env.sh"
trap kv_cleanup EXIT
trap 'exit 130' INT TERM
kv_prepare_prefix || exit 1
# The day's settings and files stay out of the prefix the other tests use.
base=$WINEPREFIX
export WINEPREFIX="$base-full-day"
rm -rf "$WINEPREFIX"
cp -a "$base" "$WINEPREFIX" || exit 1
kv_start_xvfb || exit 1

log="$tree/full_day.log"
(cd "$tree" && wine ./kv_win_tests.exe --gtest_also_run_disabled_tests \
  --gtest_filter='DISABLED_FullDay.*' --gtest_output="xml:full_day.xml") 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}

echo "== Messwerte =="
grep -E '^full day' "$log"
if [ "$rc" -ne 0 ]; then
  echo "ÜBUNGSTAG FEHLGESCHLAGEN"
  exit 1
fi
echo "Übungstag bestanden."
