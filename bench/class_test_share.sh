#!/usr/bin/env bash
# A class test over the school's share: Samba on the loopback
# (tests/tools/school_server.sh), mounted through smbnetfs as the teacher and
# as a learner, as in the tests. Measures with the Linux kvtool
#   1. the hand-in: from a finished result to the file lying whole in the
#      share (kvtool exam hand-in, median of N; goal: under 2 s);
#   2. the status reading of a test folder with 30 hand-ins and of one
#      holding 1000 files (kvtool exam status, median of 5; goal: well within
#      5 s, so that the teacher sees a new hand-in within 5 s).
# Needs root (Samba's users, FUSE), like the test command.
#
#   bench/class_test_share.sh [N, Standard 30]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-30}
tool="$top/build/linux/kvtool"
fill="$top/build/linux/class_fill"
server="$top/tests/tools/school_server.sh"
[ -x "$tool" ] && [ -x "$fill" ] || { echo "Zuerst bauen: cmake --build build/linux --target kvtool class_fill" >&2; exit 1; }

work=$(mktemp -d "$top/build/schulserver-messung.XXXXXX")
srv="$work/server"
cleanup() {
  "$server" unmount "$work/lehrer" >/dev/null 2>&1 || true
  "$server" unmount "$work/pc" >/dev/null 2>&1 || true
  "$server" stop "$srv" >/dev/null 2>&1 || true
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT

"$server" start "$srv" 2 >/dev/null
teacher=$("$server" mount "$srv" "$work/lehrer" kvlehrer)
learner=$("$server" mount "$srv" "$work/pc" kvschueler1)
mkdir "$teacher/Klasse 8b"
printf '%s\n' "Die Idee zum Bau eines Hauses kam im Winter." \
  "Alle waren froh, dass es endlich losging, auch Ömer." >"$work/text.txt"
create() {
  "$tool" exam create --text "$work/text.txt" --title "$1" --class 8b --folder "$teacher/Klasse 8b" |
    grep -o "/.*\.kvk" | tail -n 1
}
now_ms() { date +%s%3N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# 1. Hand-ins, one after the other, each a learner of its own.
test_a=$(create "Messung Abgabe")
rel_a=${test_a#"$teacher"/}
folder_a="$srv/share/$(dirname "$rel_a")/$(basename "$rel_a" .kvk) – Abgaben"
"$fill" --test "$test_a" "$work/ergebnisse" "$runs" >/dev/null
times=()
for n in $(seq 1 "$runs"); do
  result="$work/ergebnisse/$(printf %02d "$n").kvw"
  start=$(now_ms)
  "$tool" exam hand-in "$learner/$rel_a" --learner "Lernende $n" --result "$result" --waiting "$work/warten" >/dev/null
  end=$(now_ms)
  sum=$(sha256sum <"$result" | awk '{print $1}')
  whole=$(find "$folder_a" -maxdepth 1 -name '*.kvw' -exec sha256sum {} + | grep -c "^$sum " || true)
  [ "$whole" -eq 1 ] || { echo "Abgabe $n liegt nicht ganz im Ordner auf dem Server." >&2; exit 1; }
  times+=($((end - start)))
done
hand_in=$(printf '%s\n' "${times[@]}" | median)
hand_in_max=$(printf '%s\n' "${times[@]}" | sort -n | tail -n 1)

# 2. Status readings through the teacher's mount.
read_status() {  # TESTFILE → median ms of 5
  local t=() i start
  for i in 1 2 3 4 5; do
    start=$(now_ms)
    "$tool" exam status "$1" >/dev/null
    t+=($(($(now_ms) - start)))
  done
  printf '%s\n' "${t[@]}" | median
}
status_a=$(read_status "$test_a")
test_b=$(create "Messung 1000")
rel_b=${test_b#"$teacher"/}
folder_b="$srv/share/$(dirname "$rel_b")/$(basename "$rel_b" .kvk) – Abgaben"
"$fill" --test "$test_b" "$work/tausend" 1000 >/dev/null
# Put on the server's disk as the learners' own files, under hand-in names.
day=$(date +%F)
for f in "$work"/tausend/*.kvw; do
  n=$((10#$(basename "$f" .kvw)))
  cp "$f" "$folder_b/8b – Lernende $n – $day $(printf '%02d.%02d' $((8 + n / 60 % 8)) $((n % 60))).kvw"
done
chown kvschueler1:kvklasse "$folder_b"/*.kvw
files=$(find "$folder_b" -name '*.kvw' | wc -l)
status_b=$(read_status "$test_b")

printf '%-58s %10s %12s\n' "Messung (Loopback-Freigabe über smbnetfs)" "Median" "Ziel"
printf '%-58s %7s ms %12s\n' "Abgabe bis ganz in der Freigabe ($runs Abgaben, max. $hand_in_max ms)" "$hand_in" "< 2000 ms"
printf '%-58s %7s ms %12s\n' "Stand lesen, $runs Abgaben (kvtool exam status)" "$status_a" "< 5000 ms"
printf '%-58s %7s ms %12s\n' "Stand lesen, $files Dateien (kvtool exam status)" "$status_b" "< 5000 ms"
