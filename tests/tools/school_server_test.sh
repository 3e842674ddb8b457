#!/usr/bin/env bash
# A class test's hand-in on a real school server: Samba on the loopback, the
# class share mounted through FUSE once as the teacher and once per learner
# PC, and kvtool handing in as learners do at the end of a test.
#   a. a learner can neither change nor remove the teacher's test file nor a
#      classmate's hand-in
#   b. 30 learners hand in at the same moment, five of them with kvtool.exe
#      under Wine through drive T:; two learners with the same name hand in
#      at the same minute
#   c. the server stops in the middle of 30 hand-ins; what did not arrive
#      waits on its PC and is delivered exactly once when the server is back
#   d. reading the test's status while the server is gone says so
#   school_server_test.sh KVTOOL CLASS_FILL SOURCE_DIR
set -u
tool=$1 fill=$2 top=$3
server="$top/tests/tools/school_server.sh"
exe="$top/build/windows/kvtool.exe"
failures=0
work=$(mktemp -d "$top/build/schulserver-test.XXXXXX")
srv="$work/server"
mounts=()

fail() { echo "FEHLER: $*"; failures=$((failures + 1)); }
die() { echo "FEHLER: $*"; exit 1; }

export KV_WINEPREFIX="$top/build/wineprefix-schulserver"
# shellcheck source=../../scripts/wine-env.sh
source "$top/scripts/wine-env.sh"
unset DISPLAY  # kvtool.exe is a console program and needs no display

cleanup() {
  local m
  rm -f "$WINEPREFIX/dosdevices/t:"
  for m in "${mounts[@]}"; do "$server" unmount "$m" >/dev/null 2>&1; done
  "$server" stop "$srv" >/dev/null 2>&1
  [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
  # Never through a mount that is still there: that would delete on the server.
  if grep -q " $work/" /proc/mounts; then
    echo "FEHLER: Noch eingehängt, $work bleibt stehen: $(grep " $work/" /proc/mounts | cut -d' ' -f2 | tr '\n' ' ')"
  else
    rm -rf --one-file-system "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

[ -x "$exe" ] || [ -f "$exe" ] || die "kvtool.exe fehlt ($exe): der Windows-Build gehört zu diesem Test."
# A prefix of its own, made before a drive letter goes into it: on a fresh
# machine none exists yet, and Wine refuses a half-made one.
kv_prepare_prefix >/dev/null || die "Das Wine-Präfix $WINEPREFIX lässt sich nicht einrichten."

# The server, with six learner PCs: learners 1–5 native, PC 6 under Wine.
"$server" start "$srv" 6 >/dev/null || die "Der Schulserver (Samba) startet nicht."
# Every mount point is known to the cleanup before it is mounted (the mount
# itself runs in a subshell that prints the share's folder).
mounts=("$work/m/lehrer" "$work/m/pc1" "$work/m/pc2" "$work/m/pc3" "$work/m/pc4" "$work/m/pc5" "$work/m/pc6")
mount_as() { "$server" mount "$srv" "$work/m/$1" "$2"; }
teacher=$(mount_as lehrer kvlehrer) || die "Die Freigabe lässt sich als Lehrkraft nicht einhängen."
pcs=()
for i in 1 2 3 4 5 6; do
  pcs[$i]=$(mount_as "pc$i" "kvschueler$i") || die "Die Freigabe lässt sich als kvschueler$i nicht einhängen."
done
"$server" drive "$WINEPREFIX" t "${pcs[6]}" || die "Laufwerk T: nicht verbunden."
backing="$srv/share"

# Wine's server runs for the whole test, its output away from ctest's pipe.
if ! wine cmd /c exit >/dev/null 2>&1 </dev/null; then die "Wine startet nicht (Präfix $WINEPREFIX)."; fi
wineserver -p >/dev/null 2>&1 </dev/null

win() { local p=$1; echo "Z:${p//\//\\}"; }

# --- The teacher prepares the test through the teacher's own mount ---------
mkdir -p "$work/local"
printf '%s\n' "Die Idee zum Bau eines Hauses kam im Winter." \
  "Alle waren froh, dass es endlich losging, auch Ömer." \
  "Am Montag begann die Arbeit an der Straße." >"$work/local/text.txt"
names=()
for first in Anna Ben Carla Deniz Emil Frieda Göran Hanna Ilias Jule Kemal Lea Malte Nora Özlem \
  Paul Quentin Rieke Sören Tara Ute Volker Wiebke Xaver Yusuf Zoë Arne Birte Cem Dörte; do
  names+=("Müller-Lüdenscheidt, $first")
done
printf '%s\n' "${names[@]}" >"$work/local/liste.txt"
mkdir "$teacher/Klasse 8b" || die "Die Lehrkraft kann auf der Freigabe keinen Ordner anlegen."

# create_test TITLE EXTRA-ARGS… → the test file's path under the teacher's mount
create_test() {
  local title=$1 out
  shift
  out=$("$tool" exam create --text "$work/local/text.txt" --title "$title" --class 8b --minutes 10 \
    --form 4 --folder "$teacher/Klasse 8b" "$@" 2>&1) || { echo "$out" >&2; return 1; }
  local file
  file=$(grep -o "/.*\.kvk" <<<"$out" | tail -n 1)
  [ -f "$file" ] || { echo "exam create nannte keine Testdatei: $out" >&2; return 1; }
  echo "$file"
}
test_b=$(create_test "Hausbau" --list "$work/local/liste.txt") || die "kvtool exam create auf der Freigabe scheiterte."
stem_b=$(basename "$test_b" .kvk)
folder_b="$(dirname "$test_b")/$stem_b – Abgaben"
[ -d "$folder_b" ] || die "Der Abgabeordner „$stem_b – Abgaben“ fehlt neben der Testdatei."
rel_b=${test_b#"$teacher"/}

# 30 genuine results of the test, all different.
"$fill" --test "$test_b" "$work/results-b" 30 >/dev/null || die "class_fill schrieb keine Ergebnisse."
[ "$(sha256sum "$work"/results-b/*.kvw | awk '{print $1}' | sort -u | wc -l)" -eq 30 ] ||
  die "Die 30 Ergebnisse sind nicht alle verschieden."

# hand_in_all BARRIER TEST-REL RESULTS-DIR OUT-DIR DELAY-STEP: 30 hand-ins,
# each waiting for the barrier file; learner n on PC (n % 5) + 1, learners
# 26–30 on PC 6 with kvtool.exe under Wine. After the barrier, learner n
# waits n × DELAY-STEP seconds.
pids=()
hand_in_all() {
  local barrier=$1 rel=$2 results=$3 out=$4 step=$5 n
  pids=()
  mkdir -p "$out"
  for n in $(seq 1 30); do
    local result learner waiting="$out/pc-$n" delay
    result="$results/$(printf %02d "$n").kvw"
    learner=${names[$((n - 1))]}
    delay=$(awk -v n="$n" -v s="$step" 'BEGIN { printf "%.3f", n * s }')
    mkdir -p "$waiting"
    if [ "$n" -gt 25 ]; then
      local winrel=${rel//\//\\}
      (
        while [ ! -e "$barrier" ]; do sleep 0.005; done
        sleep "$delay"
        wine "$exe" exam hand-in "T:\\$winrel" --learner "$learner" --result "$(win "$result")" \
          --waiting "$(win "$waiting")" </dev/null 2>&1 | tr -d '\r'
        echo "rc=${PIPESTATUS[0]}"
      ) >"$out/$n.log" 2>&1 &
    else
      local share=${pcs[$((n % 5 + 1))]}
      (
        while [ ! -e "$barrier" ]; do sleep 0.005; done
        sleep "$delay"
        "$tool" exam hand-in "$share/$rel" --learner "$learner" --result "$result" --waiting "$waiting" </dev/null 2>&1
        echo "rc=$?"
      ) >"$out/$n.log" 2>&1 &
    fi
    pids+=($!)
  done
}
wait_all() { local p; for p in "${pids[@]}"; do wait "$p"; done; }
rc_of() { sed -n 's/^rc=//p' "$1" | tail -n 1; }

# The hand-in folder as the server holds it: every file in it, *.kvw or not.
server_folder() { echo "$backing/${1#"$teacher"/}"; }

# check_whole FOLDER RESULTS: exactly the 30 results, each once and whole.
check_whole() {
  local folder=$1 results=$2 label=$3
  local kvw others
  kvw=$(find "$folder" -maxdepth 1 -type f -name '*.kvw' | wc -l)
  others=$(find "$folder" -mindepth 1 ! -name '*.kvw')
  [ "$kvw" -eq 30 ] || fail "$label: $kvw statt 30 Abgaben im Ordner: $(ls -A "$folder" | tr '\n' '|')"
  [ -z "$others" ] || fail "$label: Reste im Abgabeordner: $(find "$folder" -mindepth 1 ! -name '*.kvw' -printf '%f (%s Bytes, %TT) ')"
  local want have
  want=$(sha256sum "$results"/*.kvw | awk '{print $1}' | sort)
  have=$(find "$folder" -maxdepth 1 -type f -name '*.kvw' -exec sha256sum {} + | awk '{print $1}' | sort)
  [ "$want" = "$have" ] || fail "$label: Die Abgaben sind nicht Byte für Byte die 30 abgegebenen Ergebnisse (doppelt, fehlend oder verändert)."
  local check
  check=$("$tool" result check "$folder" 2>&1) || fail "$label: kvtool result check lehnt Abgaben ab: $(grep -v gültig <<<"$check" | head -n 5)"
}

# --- b. 30 learners hand in at the same moment --------------------------------
hand_in_all "$work/los-b" "$rel_b" "$work/results-b" "$work/b" 0
sleep 1
touch "$work/los-b"
wait_all
for n in $(seq 1 30); do
  [ "$(rc_of "$work/b/$n.log")" = 0 ] || fail "b: Abgabe $n endete mit $(rc_of "$work/b/$n.log"): $(head -n 3 "$work/b/$n.log")"
done
check_whole "$(server_folder "$folder_b")" "$work/results-b" "b"
status=$("$tool" exam status "$test_b" 2>&1) || fail "b: kvtool exam status scheiterte: $status"
grep -q "30 von 30 abgegeben" <<<"$status" || fail "b: exam status zeigt nicht „30 von 30 abgegeben“: $(head -n 5 <<<"$status")"
# The Wine hand-ins came through T:, and the teacher sees them.
for n in 26 27 28 29 30; do
  grep -qi "T:" "$work/b/$n.log" || fail "b: kvtool.exe (Abgabe $n) nennt den Ort auf T: nicht: $(head -n 3 "$work/b/$n.log")"
done

# Two learners with the same name at the same minute, and again at once:
# two files, neither over the other.
printf '%s\n' "Müller, Jonas" >"$work/local/liste-s.txt"
test_s=$(create_test "Gleicher Name" --list "$work/local/liste-s.txt" --attempts 3) || die "Die zweite Klassenarbeit ließ sich nicht anlegen."
rel_s=${test_s#"$teacher"/}
"$fill" --test "$test_s" "$work/results-s" 2 >/dev/null || die "class_fill schrieb keine Ergebnisse."
for k in 1 2; do
  (
    while [ ! -e "$work/los-s" ]; do sleep 0.005; done
    "$tool" exam hand-in "${pcs[$k]}/$rel_s" --learner "Müller, Jonas" --result "$work/results-s/0$k.kvw" \
      --waiting "$work/s/pc-$k" </dev/null
  ) >"$work/s-$k.log" 2>&1 &
  pids[$k]=$!
done
sleep 0.5
touch "$work/los-s"
for k in 1 2; do wait "${pids[$k]}" || fail "Gleicher Name: Abgabe $k scheiterte: $(cat "$work/s-$k.log")"; done
folder_s=$(server_folder "$(dirname "$test_s")/$(basename "$test_s" .kvk) – Abgaben")
same=$(find "$folder_s" -maxdepth 1 -name '*Müller, Jonas*.kvw' | wc -l)
[ "$same" -eq 2 ] || fail "Gleicher Name zur selben Minute: $same statt 2 Dateien: $(ls -A "$folder_s" | tr '\n' '|')"

# --- a. A learner can change neither the test file nor a classmate's hand-in --
learner_view=${pcs[1]}
test_bytes=$(sha256sum <"$backing/$rel_b")
victim=""
for f in "$(server_folder "$folder_b")"/*.kvw; do
  [ "$(stat -c %U "$f")" = kvschueler2 ] && { victim=$(basename "$f"); break; }
done
[ -n "$victim" ] || fail "a: keine Abgabe von kvschueler2 gefunden"
victim_bytes=$(sha256sum <"$(server_folder "$folder_b")/$victim")
attack() {  # LABEL FILE (as learner 1)
  local label=$1 file=$2 before
  before=$(sha256sum <"$file" 2>/dev/null)
  if (printf 'geändert' >"$file") 2>/dev/null; then fail "a: $label ließ sich überschreiben"; fi
  if (printf 'angehängt' >>"$file") 2>/dev/null; then fail "a: $label ließ sich verlängern"; fi
  if rm -f "$file" 2>/dev/null && [ ! -e "$file" ]; then fail "a: $label ließ sich löschen"; fi
  printf 'fremd' >"$learner_view/Klasse 8b/fremd.tmp" 2>/dev/null
  if mv -f "$learner_view/Klasse 8b/fremd.tmp" "$file" 2>/dev/null; then fail "a: $label ließ sich durch eine andere Datei ersetzen"; fi
  if mv "$file" "$file.weg" 2>/dev/null; then fail "a: $label ließ sich umbenennen"; fi
  rm -f "$learner_view/Klasse 8b/fremd.tmp" 2>/dev/null
  [ "$(sha256sum <"$file" 2>/dev/null)" = "$before" ] || fail "a: $label ist danach nicht mehr dieselbe Datei"
}
attack "die Testdatei" "$learner_view/$rel_b"
attack "die Abgabe von kvschueler2" "$learner_view/${folder_b#"$teacher"/}/$victim"
if rmdir "$learner_view/$(dirname "$rel_s")/$(basename "$test_s" .kvk) – Abgaben" 2>/dev/null; then
  fail "a: ein Lernender konnte einen Abgabeordner der Lehrkraft entfernen"
fi
# Checked on the server's disk, not only by what the mount answered.
[ "$(sha256sum <"$backing/$rel_b")" = "$test_bytes" ] || fail "a: Die Testdatei auf dem Server wurde verändert."
[ "$(sha256sum <"$(server_folder "$folder_b")/$victim")" = "$victim_bytes" ] ||
  fail "a: Die Abgabe von kvschueler2 auf dem Server wurde verändert."
"$tool" exam status "$test_b" >/dev/null 2>&1 || fail "a: Die Testdatei ist nach den Versuchen nicht mehr lesbar."

# --- c. The server stops in the middle of the hand-ins --------------------------
test_c=$(create_test "Stromausfall" --list "$work/local/liste.txt") || die "Die dritte Klassenarbeit ließ sich nicht anlegen."
rel_c=${test_c#"$teacher"/}
folder_c=$(server_folder "$(dirname "$test_c")/$(basename "$test_c" .kvk) – Abgaben")
"$fill" --test "$test_c" "$work/results-c" 30 >/dev/null || die "class_fill schrieb keine Ergebnisse."
# The hand-ins spread over 3 s; the server goes down after about 1.2 s.
hand_in_all "$work/los-c" "$rel_c" "$work/results-c" "$work/c" 0.1
sleep 1
touch "$work/los-c"
sleep 1.2
"$server" stop "$srv" || die "smbd ließ sich nicht anhalten."
wait_all
delivered=0 waiting=0
for n in $(seq 1 30); do
  result="$work/results-c/$(printf %02d "$n").kvw"
  rc=$(rc_of "$work/c/$n.log")
  sum=$(sha256sum <"$result" | awk '{print $1}')
  in_share=$(find "$folder_c" -maxdepth 1 -type f -name '*.kvw' -exec sha256sum {} + 2>/dev/null | grep -c "^$sum ")
  kept=$(find "$work/c/pc-$n" -type f -exec sha256sum {} + 2>/dev/null | grep -c "^$sum ")
  case $rc in
    0) delivered=$((delivered + 1))
       [ "$in_share" -eq 1 ] || fail "c: Abgabe $n meldete Erfolg, liegt aber ${in_share}-mal im Ordner" ;;
    3) waiting=$((waiting + 1))
       [ "$kept" -ge 1 ] || fail "c: Abgabe $n wartet angeblich, liegt aber nicht im Warteordner: $(head -n 3 "$work/c/$n.log")"
       grep -q "[äöüß]\|nicht" "$work/c/$n.log" || fail "c: Abgabe $n nennt keinen deutschen Grund: $(head -n 3 "$work/c/$n.log")" ;;
    *) fail "c: Abgabe $n endete mit ${rc:-?}: $(head -n 3 "$work/c/$n.log")" ;;
  esac
  [ "$in_share" -le 1 ] || fail "c: Abgabe $n liegt ${in_share}-mal im Ordner"
done
echo "c: $delivered Abgaben angekommen, $waiting warten auf ihrem PC"
[ "$delivered" -gt 0 ] && [ "$waiting" -gt 0 ] ||
  fail "c: Der Server hielt nicht mitten in den Abgaben an ($delivered angekommen, $waiting wartend)."

# --- d. The status of a test whose folder cannot be reached -------------------
status=$("$tool" exam status "$test_c" 2>&1)
rc=$?
[ $rc -ne 0 ] || fail "d: exam status endete ohne Fehler, obwohl der Server fehlt: $(head -n 3 <<<"$status")"
grep -q "Klasse 8b" <<<"$status" && grep -q "nicht erreichbar\|nicht gelesen\|nicht lesbar\|nicht lesen" <<<"$status" ||
  fail "d: exam status nennt den Ordner nicht als unerreichbar: $(head -n 3 <<<"$status")"
grep -q "0 von 30" <<<"$status" && fail "d: exam status zeigt eine leere Klasse statt des Fehlers"

# The server comes back; each PC's mount answers again, or is mounted anew.
"$server" start "$srv" >/dev/null || die "Der Schulserver startet nicht wieder."
for i in 1 2 3 4 5 6; do
  back=0
  for t in $(seq 1 30); do
    ls "${pcs[$i]}/Klasse 8b" >/dev/null 2>&1 && { back=1; break; }
    sleep 1
  done
  if [ $back -eq 0 ]; then
    echo "PC $i: Die Freigabe antwortet nach 30 s nicht, neu eingehängt"
    pcs[$i]=$(mount_as "pc$i" "kvschueler$i") || die "PC $i: Die Freigabe lässt sich nicht wieder einhängen."
  fi
done
for n in $(seq 1 30); do
  if [ "$n" -gt 25 ]; then
    out=$(wine "$exe" exam deliver --waiting "$(win "$work/c/pc-$n")" 2>&1 </dev/null)
    rc=$?
    out=$(tr -d '\r' <<<"$out")
  else
    out=$("$tool" exam deliver --waiting "$work/c/pc-$n" 2>&1)
    rc=$?
  fi
  [ "$rc" -eq 0 ] || fail "c: exam deliver auf PC $n endete mit $rc: $(head -n 3 <<<"$out")"
  left=$(find "$work/c/pc-$n" -type f | wc -l)
  [ "$left" -eq 0 ] || fail "c: Auf PC $n warten nach der Zustellung noch $left Dateien"
done
check_whole "$folder_c" "$work/results-c" "c"
status=$("$tool" exam status "$test_c" 2>&1) || fail "c: exam status nach dem Neustart scheiterte: $status"
grep -q "30 von 30 abgegeben" <<<"$status" || fail "c: exam status nach der Zustellung: $(head -n 5 <<<"$status")"

if [ $failures -ne 0 ]; then
  echo "$failures Fehler am Schulserver."
  exit 1
fi
echo "Schulserver: Rechte geprüft, 30 gleichzeitige Abgaben (5 unter Wine) vollständig, Serverausfall ohne Verlust oder Doppel."
