#!/usr/bin/env bash
# Measures the path from a character key to the updated display in each
# exercise form: the program, started by the learner tests, appends the time
# of every character event (display redraw and key lighting included) to a
# file that KV_MEASURE_KEYS names in the Windows temporary folder (a bare
# file name, nothing else is accepted); xdotool types into each form on a private
# Xvfb display. Prints median and 95th percentile per form in milliseconds.
#
#   scripts/measure_keys.sh [Windows build folder, default build/windows]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build/windows}" && pwd)
[ -f "$build/kv_win_tests.exe" ] || { echo "Kein kv_win_tests.exe in $build." >&2; exit 1; }

# shellcheck source=scripts/wine-env.sh
source "$top/scripts/wine-env.sh"
work=$(mktemp -d)
trap 'kv_cleanup; rm -rf "$work"' EXIT
kv_start_xvfb
kv_prepare_prefix || exit 1

name="klavento-tasten-$$.txt"
export KV_MEASURE_KEYS="$name"
temp_folder=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
log=$(winepath -u "$temp_folder\\$name" 2>/dev/null)
[ -n "$log" ] || { echo "Der temporäre Ordner des Präfixes ist nicht zu finden." >&2; exit 1; }
rm -f "$log"
wine "$build/kv_win_tests.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='EachForm/LearnerForms.DISABLED_TypingForTheKeyMeasurement/*' >"$work/run.txt" 2>&1 || {
  cat "$work/run.txt" >&2
  exit 1
}

[ -s "$log" ] || { echo "Keine Messwerte geschrieben." >&2; exit 1; }
cp "$log" "$work/keys.txt" && rm -f "$log"
log="$work/keys.txt"
# Nearest-rank percentiles; awk formats, since wine-env.sh sets a German LC_ALL.
export LC_ALL=C
awk '
  { n[$1]++; v[$1, n[$1]] = $2 }
  END {
    name[1] = "Laufschrift"; name[2] = "Leuchttastei"
    name[3] = "Textvorgabe auf Bildschirm"; name[4] = "Text von Vorlage"
    printf "%-28s %6s %10s %10s\n", "Form (ms)", "Werte", "Median", "95%"
    for (f = 1; f <= 4; f++) {
      m = n[f] + 0
      if (m == 0) { printf "%-28s %6d %10s %10s\n", name[f], 0, "-", "-"; continue }
      for (i = 1; i <= m; i++) s[i] = v[f, i] + 0
      for (i = 2; i <= m; i++) { x = s[i]; for (j = i - 1; j >= 1 && s[j] > x; j--) s[j + 1] = s[j]; s[j + 1] = x }
      printf "%-28s %6d %10.3f %10.3f\n", name[f], m, s[int((m + 1) / 2)], s[int((95 * m + 99) / 100)]
    }
  }' "$log"
