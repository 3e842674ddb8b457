#!/usr/bin/env bash
# How long the Lernverlauf window takes to open and draw with 10,000 recorded
# exercises (goal: 100 ms): a history is filled, the program is started under
# Wine on a private display, and the window is opened five times with Strg+L.
# The program logs the time from the request to its first finished picture
# into the file that KV_MEASURE_HISTORY names in the Windows temporary folder.
# The same is measured with 10 exercises in the same run, and the ratio of
# the two printed: the window's cost should not grow with the history.
#
#   bench/history_window.sh [Anzahl, Standard 10000]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-10000}
fill="$top/build/linux/history_fill"
exe="$top/build/windows/klavento.exe"
[ -x "$fill" ] && [ -f "$exe" ] || { echo "Zuerst bauen (scripts/build.sh)." >&2; exit 1; }

# shellcheck source=scripts/wine-env.sh
source "$top/scripts/wine-env.sh"
work=$(mktemp -d)
trap 'kv_cleanup; rm -rf "$work"' EXIT
kv_start_xvfb
kv_prepare_prefix || exit 1
# shellcheck source=bench/program_runs.sh
source "$top/bench/program_runs.sh"

name="klavento-verlauf-$$.txt"
export KV_MEASURE_HISTORY="$name"
log=$(kv_bench_temp_file "$name")

# One program run per history, the window opened seven times in each; the
# median of each run, and the ratio that shows whether the window's cost
# grows with the history.
measure() {
  local exercises=$1
  mkdir -p "$work/$exercises"
  "$fill" "$work/$exercises/Lernverlauf.sqlite" "$exercises" 300 >/dev/null
  export KLAVENTO_LERNVERLAUF
  KLAVENTO_LERNVERLAUF=$(winepath -w "$work/$exercises")
  rm -f "$log"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  kv_bench_start "$exe"
  kv_bench_open_times ctrl+l 7 "$log" 100
  [ -s "$log" ] || { echo "Keine Messwerte geschrieben." >&2; exit 1; }
  if LC_ALL=C awk -v want="$exercises" '$1 != want { bad = 1 } END { exit !bad }' "$log"; then
    echo "Warnung: der Verlauf hatte nicht $exercises Übungen."
  fi
  LC_ALL=C awk -v n="$exercises" '{ printf "%5d Übungen, Lauf %d: %.1f ms\n", n, NR, $2 }' "$log"
  sort -n -k2 "$log" | LC_ALL=C awk '{ ms[NR] = $2 } END { print ms[int((NR + 1) / 2)] }' >"$work/median-$exercises"
  rm -f "$log"
}

measure 10
measure "$count"
small=$(cat "$work/median-10")
large=$(cat "$work/median-$count")
LC_ALL=C awk -v s="$small" -v l="$large" -v n="$count" 'BEGIN {
  printf "Median mit    10 Übungen: %.1f ms\n", s
  printf "Median mit %5d Übungen: %.1f ms (Ziel: höchstens 100 ms)\n", n, l
  printf "Verhältnis: %.2f (Ziel: höchstens 1,25)\n", l / s
}'
