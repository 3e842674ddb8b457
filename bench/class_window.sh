#!/usr/bin/env bash
# How long the teachers' window takes to list a class folder of 1000 saved
# exercises (goal: under 2 s): a folder is filled with build/linux/class_fill,
# the program is started under Wine on a private display with the folder as
# Schuelerverzeichnis, and the window is opened five times with Strg+K. The
# program logs the time from the request to the filled list into the file
# that KV_MEASURE_CLASS names in the Windows temporary folder. The same folder
# is also checked with the Linux kvtool (goal: under 1 s).
#
#   bench/class_window.sh [Lernende, Standard 500: je zwei Dateien]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
learners=${1:-500}
fill="$top/build/linux/class_fill"
tool="$top/build/linux/kvtool"
exe="$top/build/windows/klavento.exe"
[ -x "$fill" ] && [ -x "$tool" ] && [ -f "$exe" ] || { echo "Zuerst bauen (scripts/build.sh)." >&2; exit 1; }

# shellcheck source=scripts/wine-env.sh
source "$top/scripts/wine-env.sh"
work=$(mktemp -d)
trap 'wine reg delete "HKCU\\Software\\Policies\\Klavento" /f >/dev/null 2>&1 || true; kv_cleanup; rm -rf "$work"' EXIT
kv_start_xvfb
kv_prepare_prefix || exit 1

"$fill" "$work/Klasse" "$learners"
files=$(find "$work/Klasse" -iname '*.kvw' | wc -l)
start=$(date +%s.%N)
"$tool" result check --csv "$work/Klasse" >/dev/null || true
end=$(date +%s.%N)
# Wine keeps the UTF-8 locale: under C it could not name the learners'
# folders with umlauts, and their files would be missing from the count.
LC_ALL=C awk -v a="$start" -v b="$end" -v n="$files" 'BEGIN { printf "kvtool result check, %d Dateien: %.0f ms (Ziel: unter 1000 ms)\n", n, (b - a) * 1000 }'

wine reg add 'HKCU\Software\Policies\Klavento\7.0\Verzeichnisse' /v Schuelerverzeichnis /t REG_SZ \
  /d "$(winepath -w "$work/Klasse")" /f >/dev/null 2>&1
name="klavento-klasse-$$.txt"
export KV_MEASURE_CLASS="$name"
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
  xdotool key ctrl+k
  for _ in $(seq 200); do
    [ -f "$log" ] && [ "$(wc -l <"$log")" -ge "$run" ] && break
    sleep 0.1
  done
  sleep 0.5
  xdotool key Escape
  sleep 1
done
[ -s "$log" ] || { echo "Keine Messwerte geschrieben." >&2; exit 1; }
LC_ALL=C awk '{ printf "Fenster „Ergebnisse einer Klasse“, Lauf %d: %d Dateien in %.0f ms\n", NR, $1, $2 }' "$log"
sort -n -k2 "$log" | LC_ALL=C awk '{ ms[NR] = $2 } END { printf "Median: %.0f ms (Ziel: unter 2000 ms)\n", ms[int((NR + 1) / 2)] }'
rm -f "$log"
