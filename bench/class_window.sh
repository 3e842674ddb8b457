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
# shellcheck source=bench/program_runs.sh
source "$top/bench/program_runs.sh"

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
log=$(kv_bench_temp_file "$name")
rm -f "$log"
kv_bench_start "$exe"
kv_bench_open_times ctrl+k 5 "$log" 200
[ -s "$log" ] || { echo "Keine Messwerte geschrieben." >&2; exit 1; }
LC_ALL=C awk '{ printf "Fenster „Ergebnisse einer Klasse“, Lauf %d: %d Dateien in %.0f ms\n", NR, $1, $2 }' "$log"
sort -n -k2 "$log" | LC_ALL=C awk '{ ms[NR] = $2 } END { printf "Median: %.0f ms (Ziel: unter 2000 ms)\n", ms[int((NR + 1) / 2)] }'
rm -f "$log"
