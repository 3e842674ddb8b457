#!/usr/bin/env bash
# How long the Lernverlauf window takes to open and draw with 10,000 recorded
# exercises (goal: 100 ms): a history is filled, the program is started under
# Wine on a private display, and the window is opened five times with Strg+L.
# The program logs the time from the request to its first finished picture
# into the file that KV_MEASURE_HISTORY names in the Windows temporary folder.
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

"$fill" "$work/Lernverlauf.sqlite" "$count" 300
export KLAVENTO_LERNVERLAUF
KLAVENTO_LERNVERLAUF=$(winepath -w "$work")
name="klavento-verlauf-$$.txt"
export KV_MEASURE_HISTORY="$name"
temp_folder=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
log=$(winepath -u "$temp_folder\\$name" 2>/dev/null)
rm -f "$log"

(cd "$(dirname "$exe")" && wine "$exe" >/dev/null 2>&1 &)
for _ in $(seq 60); do
  xdotool search --name '^Klavento 7$' >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 4  # the splash picture's time
xdotool search --name '^Klavento 7$' windowfocus
for run in 1 2 3 4 5; do
  xdotool key ctrl+l
  for _ in $(seq 100); do
    [ -f "$log" ] && [ "$(wc -l <"$log")" -ge "$run" ] && break
    sleep 0.1
  done
  sleep 0.5
  xdotool key Escape
  sleep 1
done
[ -s "$log" ] || { echo "Keine Messwerte geschrieben." >&2; exit 1; }
export LC_ALL=C
if awk -v want="$count" '$1 != want { bad = 1 } END { exit !bad }' "$log"; then
  echo "Warnung: der Verlauf hatte nicht $count Übungen."
fi
awk '{ printf "Öffnen und Zeichnen, Lauf %d: %.1f ms\n", NR, $2 }' "$log"
sort -n -k2 "$log" | awk '{ ms[NR] = $2 } END { printf "Median: %.1f ms (Ziel: höchstens 100 ms)\n", ms[int((NR + 1) / 2)] }'
rm -f "$log"
