#!/usr/bin/env bash
# How long `kvtool evaluate --json` takes, as a whole process, next to GNU
# `wdiff -s` on the same two files: the longest exercise the program allows
# (1200 lines of the built-in texts) typed with about 100 slips. Both run
# RUNS times, interleaved so that both see the same machine; the medians and
# their ratio are printed. The goal is a ratio of 0.5 or less.
#
#   bench/evaluate_vs_wdiff.sh [path/to/kvtool] [runs]
# With KEEP_FILES=<folder> the two text files and the JSON output are kept
# there, for profiling or comparing outputs.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
kvtool=${1:-$top/build/linux/kvtool}
runs=${2:-50}
export LC_ALL=C.UTF-8

if [ ! -x "$kvtool" ]; then
  echo "kvtool nicht gefunden: $kvtool (zuerst bauen)" >&2
  exit 1
fi
if ! command -v wdiff >/dev/null; then
  echo "wdiff fehlt, wird installiert ..." >&2
  apt-get install -y wdiff >/dev/null 2>&1 ||
    { apt-get update >/dev/null && apt-get install -y wdiff >/dev/null; } ||
    { echo "wdiff konnte nicht installiert werden." >&2; exit 1; }
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The template: the five built-in texts in turn until 1200 lines are there.
for n in 1 2 3 4 5; do "$kvtool" archive show --builtin "$n"; done >"$work/texts.txt"
awk -v want=1200 '{ line[NR] = $0 } END { for (i = 0; i < want; ++i) print line[i % NR + 1] }' \
  "$work/texts.txt" >"$work/vorlage.txt"

# The typed text: one slip every twelfth line, of a kind that changes from
# slip to slip. Slips touch whole words only, so the text stays valid UTF-8.
awk '
  function ascii(s) { return s ~ /^[A-Za-z]+$/ }
  {
    if (NR % 12 != 0) { print; next }
    n = split($0, w, " ")
    k = 3; if (k > n) k = n
    kind = (NR / 12) % 9
    if (kind == 0 && k < n) { w[k] = w[k] w[k + 1]; w[k + 1] = "" }     # words run together
    else if (kind == 1 && ascii(w[k]) && length(w[k]) > 2) {            # a blank inside a word
      w[k] = substr(w[k], 1, 1) " " substr(w[k], 2) }
    else if (kind == 2) { w[k] = "" }                                     # a word left out
    else if (kind == 3) { w[k] = "Quatsch " w[k] }                        # a word typed in addition
    else if (kind == 4 && ascii(w[k]) && length(w[k]) > 2) {            # two letters swapped
      w[k] = substr(w[k], 2, 1) substr(w[k], 1, 1) substr(w[k], 3) }
    else if (kind == 5) { w[k] = w[k] "," }                               # a comma typed in addition
    else if (kind == 6) { w[k] = w[k] " " w[k] }                          # a word typed twice
    else if (kind == 7 && ascii(w[k])) { w[k] = toupper(w[k]) }          # letter case
    else { w[k] = "Unsinn" }                                              # a wrong word
    line = ""
    for (i = 1; i <= n; ++i) if (w[i] != "") line = line (line == "" ? "" : " ") w[i]
    print line
  }' "$work/vorlage.txt" >"$work/getippt.txt"

evaluate=("$kvtool" evaluate --template "$work/vorlage.txt" --typed "$work/getippt.txt" --seconds 3600 --json)
"${evaluate[@]}" >"$work/result.json"
if [ -n "${KEEP_FILES:-}" ]; then
  mkdir -p "$KEEP_FILES" && cp "$work/vorlage.txt" "$work/getippt.txt" "$work/result.json" "$KEEP_FILES/"
fi
errors=$(grep -m1 '"errorCount"' "$work/result.json" | tr -dc '0-9')
echo "Vorlage: $(wc -l <"$work/vorlage.txt") Zeilen, Fehlerzahl der Auswertung: $errors"

# Microseconds of one run of the command, without the cost of a clock process.
time_us() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || true
  local end=$EPOCHREALTIME
  echo $(( (${end/./} - ${start/./}) ))
}

: >"$work/kvtool.times"
: >"$work/wdiff.times"
"${evaluate[@]}" >/dev/null; wdiff -s "$work/vorlage.txt" "$work/getippt.txt" >/dev/null || true  # warm-up
for ((i = 0; i < runs; ++i)); do
  time_us "${evaluate[@]}" >>"$work/kvtool.times"
  time_us wdiff -s "$work/vorlage.txt" "$work/getippt.txt" >>"$work/wdiff.times"
done

median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
k=$(median "$work/kvtool.times")
w=$(median "$work/wdiff.times")
echo "Läufe je Programm: $runs"
echo "kvtool evaluate --json: Median $k µs"
echo "wdiff -s:               Median $w µs"
awk -v k="$k" -v w="$w" 'BEGIN { printf "Verhältnis kvtool/wdiff: %.2f (Ziel: höchstens 0.50)\n", k / w }'
