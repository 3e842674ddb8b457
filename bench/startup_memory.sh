#!/usr/bin/env bash
# What the program costs at start against the least a Windows program costs:
# klavento.exe and a minimal window (one CreateWindow and a message loop, same
# compiler, runtime and link options; built here in the same run) are started
# in turns, N times each, the Wine server restarted before every start. Once
# the selection dialog (or the minimal window) is painted, the process's
# /proc/PID/smaps_rollup is read. Printed: the medians of dirty and of all
# private memory (Private_Clean + Private_Dirty), of the start time (process
# creation to the first paint, as the program notes it), the margins over the
# minimal window, and the ten largest dirty mappings of the program.
#
#   bench/startup_memory.sh [N]             N starts of each (default 5)
#   bench/startup_memory.sh --wachstum      private memory after the first
#                                           exercise, after 50 and after opening
#                                           and closing the Lernverlauf 10 times;
#                                           KV_GROWTH_WITHOUT_HISTORY=1: the same
#                                           with the Lernverlauf off by policy
#
# Dirty pages are what Windows counts as a process's private bytes; clean pages
# of a mapped image can be dropped and read again from the file.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mode=start
if [ "${1:-}" = --wachstum ]; then
  mode=growth
  shift
fi
runs=${1:-5}
build="$top/build/windows"
[ -f "$build/build.ninja" ] || { echo "Zuerst bauen (scripts/build.sh)." >&2; exit 1; }
cmake --build "$build" --target klavento kv_minimal_window kv_win_tests >/dev/null

source "$top/scripts/wine-env.sh"
work=$(mktemp -d)
trap 'kv_cleanup; rm -rf "$work"' EXIT
kv_start_xvfb
kv_prepare_prefix || exit 1

# shellcheck source=bench/program_runs.sh
source "$top/bench/program_runs.sh"

# The Linux process of a Windows program: Wine names it by its Windows path.
pid_of() {
  local exe=$1 best="" best_rss=0 p rss
  for p in $(pgrep -f "$exe" || true); do
    rss=$(awk '/^Rss:/ { print $2 }' "/proc/$p/smaps_rollup" 2>/dev/null || echo 0)
    if [ "${rss:-0}" -gt "$best_rss" ]; then best=$p; best_rss=$rss; fi
  done
  echo "$best"
}

# "clean dirty" of a process, in kB.
private_of() {
  awk '/^Private_Clean:/ { c = $2 } /^Private_Dirty:/ { d = $2 } END { print c + 0, d + 0 }' "/proc/$1/smaps_rollup"
}

# "kB<TAB>mapping" of an smaps file: the fields matching FIELDS summed per
# file; anonymous mappings together, or by their address with "address".
per_mapping() {
  awk -v fields="$2" -v by_address="${3:-}" '
    /^[0-9a-f]+-[0-9a-f]+ / {
      name = (NF >= 6) ? $6 : (by_address ? "[anonym " $1 "]" : "[anonym]")
      for (i = 7; i <= NF; i++) name = name " " $i
      next
    }
    $0 ~ fields { d[name] += $2 }
    END { for (n in d) print d[n] "\t" n }' "$1"
}

# The ten mappings with the most dirty pages.
largest_dirty() {
  per_mapping "/proc/$1/smaps" '^Private_Dirty:' |
    LC_ALL=C awk -F'\t' '$1 > 0 { printf "%8d kB  %s\n", $1, $2 }' | sort -rn | head -10
}

restart_server() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

if [ "$mode" = start ]; then
  name="klavento-start-$$.txt"
  export KV_MEASURE_START="$name"
  log=$(kv_bench_temp_file "$name")
  [ -n "$log" ] || { echo "Der temporäre Ordner des Präfixes ist nicht zu finden." >&2; exit 1; }
  results="$work/results.txt"
  : >"$results"
  for run in $(seq "$runs"); do
    for exe in kv_minimal_window.exe klavento.exe; do
      restart_server
      rm -f "$log"
      (cd "$build" && wine "$exe" >/dev/null 2>&1 &)
      for _ in $(seq 600); do
        grep -q '^0 ' "$log" 2>/dev/null && break
        sleep 0.1
      done
      grep -q '^0 ' "$log" 2>/dev/null || { echo "$exe: kein Messwert nach 60 s." >&2; exit 1; }
      sleep 0.5  # what follows the first paint (the splash, the focus) settles
      pid=$(pid_of "$exe")
      [ -n "$pid" ] || { echo "$exe: Prozess nicht gefunden." >&2; exit 1; }
      read -r clean dirty < <(private_of "$pid")
      # The programs write their log in text mode: "\r\n" ends each line, and
      # a CR left in a figure makes awk compare the figures as strings.
      ms=$(tr -d '\r' <"$log" | awk '$1 == 1 { print $2; exit }')
      dialog=$(tr -d '\r' <"$log" | awk '$1 == 0 { print $2; exit }')
      echo "$exe $run $ms $clean $dirty $dialog" >>"$results"
      [ "$exe" = klavento.exe ] && largest_dirty "$pid" >"$work/largest.txt"
    done
  done
  restart_server
  LC_ALL=C awk '
    function median(list, n,   i, j, x, s) {
      for (i = 1; i <= n; i++) s[i] = list[i]
      for (i = 2; i <= n; i++) { x = s[i]; for (j = i - 1; j >= 1 && s[j] > x; j--) s[j + 1] = s[j]; s[j + 1] = x }
      return (n % 2) ? s[(n + 1) / 2] : (s[n / 2] + s[n / 2 + 1]) / 2
    }
    function mb(kb) { return sprintf("%.1f", kb / 1024) }
    {
      k = ($1 == "klavento.exe") ? "p" : "m"; n[k]++
      ms[k, n[k]] = $3 + 0; dirty[k, n[k]] = $5 + 0; all[k, n[k]] = $4 + $5; dlg[k, n[k]] = $6 + 0
      printf "%-22s Lauf %d: erstes Fenster %6.0f ms, Auswahl %6.0f ms, dirty %6s MB, privat %6s MB\n", $1, $2, $3, $6, mb($5), mb($4 + $5)
    }
    END {
      for (k in n) {
        for (i = 1; i <= n[k]; i++) { a[i] = ms[k, i]; b[i] = dirty[k, i]; c[i] = all[k, i]; e[i] = dlg[k, i] }
        mms[k] = median(a, n[k]); md[k] = median(b, n[k]); ma[k] = median(c, n[k]); mdl[k] = median(e, n[k])
      }
      printf "\nMediane aus je %d Starts:\n", n["p"]
      printf "  minimales Fenster: Start %6.0f ms, dirty %5s MB, privat %5s MB\n", mms["m"], mb(md["m"]), mb(ma["m"])
      printf "  Klavento:          Start %6.0f ms, dirty %5s MB, privat %5s MB\n", mms["p"], mb(md["p"]), mb(ma["p"])
      printf "  Klavento bis zum Auswahldialog (mit 2 s Startbild): %.0f ms\n", mdl["p"]
      printf "Abstand über dem minimalen Fenster:\n"
      printf "  Start   %+6.0f ms  (Ziel: höchstens +50 ms)\n", mms["p"] - mms["m"]
      printf "  dirty   %+6s MB  (Ziel: höchstens +3 MB)\n", mb(md["p"] - md["m"])
      printf "  privat  %+6s MB  (Ziel: höchstens +8 MB)\n", mb(ma["p"] - ma["m"])
    }' "$results"
  echo
  echo "Die zehn größten dirty Bereiche von Klavento (letzter Start):"
  cat "$work/largest.txt"
  exit 0
fi

# Growth: a test of kv_win_tests drives the program with real keys and notes
# each point it reaches in a log; this script reads the program's memory there
# and answers, so the test goes on only once it has been read.
name="klavento-wachstum-$$.txt"
export KV_MEASURE_GROWTH="$name"
log=$(kv_bench_temp_file "$name")
[ -n "$log" ] || { echo "Der temporäre Ordner des Präfixes ist nicht zu finden." >&2; exit 1; }
rm -f "$log" "$log.gelesen"
(cd "$build" && wine kv_win_tests.exe --gtest_also_run_disabled_tests \
  --gtest_filter='GrowthLearner.DISABLED_*' >"$work/run.txt" 2>&1; echo $? >"$work/rc") &
runner=$!
read_points=0
results="$work/growth.txt"
: >"$results"
for _ in $(seq 36000); do
  [ -f "$work/rc" ] && break
  if [ -f "$log" ] && [ "$(wc -l <"$log")" -gt "$read_points" ]; then
    read_points=$((read_points + 1))
    point=$(sed -n "${read_points}p" "$log" | tr -d '\r')
    pid=$(pid_of klavento.exe)
    read -r clean dirty < <(private_of "$pid")
    echo "$point $clean $dirty" >>"$results"
    cp "/proc/$pid/smaps" "$work/smaps.$read_points" 2>/dev/null || true
    echo "$read_points" >"$log.gelesen"
  fi
  sleep 0.1
done
wait "$runner"
if [ "$(cat "$work/rc" 2>/dev/null)" != 0 ]; then
  cat "$work/run.txt" >&2
  exit 1
fi
LC_ALL=C awk '
  { printf "%-28s dirty %6.1f MB, privat %6.1f MB\n", $1, $3 / 1024, ($2 + $3) / 1024; all[NR] = $2 + $3 }
  END {
    # What the first Lernverlauf windows load once (GDI+, the list views,
    # the glyphs of their fonts) is not growth; the goal is that nothing
    # grows from use to use.
    printf "Wachstum, nachdem jedes Fenster einmal offen war (Ziel: höchstens +1 MB): nach 50 Übungen %+.2f MB, nach 12-mal Lernverlauf %+.2f MB\n",
           (all[4] - all[2]) / 1024, (all[5] - all[2]) / 1024
    printf "Über der ersten Übung, mit dem einmaligen Laden des Lernverlaufs: nach 50 Übungen %+.2f MB, nach 12-mal Lernverlauf %+.2f MB\n",
           (all[4] - all[1]) / 1024, (all[5] - all[1]) / 1024
    printf "Von 10 auf 50 Übungen: %+.2f MB\n", (all[4] - all[3]) / 1024
  }' "$results"
# Where memory grew: the mappings whose private pages grew most, anonymous
# ones by their address; from the first exercise to the end, and from 10 to
# 50 exercises.
private_by_mapping() { per_mapping "$1" '^Private_(Clean|Dirty):' address; }
grown() {
  [ -f "$work/smaps.$1" ] && [ -f "$work/smaps.$2" ] || return 0
  echo
  echo "$3"
  LC_ALL=C awk -F'\t' 'NR == FNR { before[$2] = $1; next } { grow = $1 - before[$2]; if (grow > 0) printf "%8d kB  %s\n", grow, $2 }' \
    <(private_by_mapping "$work/smaps.$1") <(private_by_mapping "$work/smaps.$2") | sort -rn | head -10
}
grown 1 5 "Am meisten gewachsen von der ersten Übung bis zum Ende (privat):"
grown 3 4 "Am meisten gewachsen von 10 auf 50 Übungen (privat):"
