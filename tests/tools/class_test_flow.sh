#!/usr/bin/env bash
# The whole class test on a real school server: Samba on the loopback, its
# class share mounted through FUSE once as the teacher and once as a learner,
# mapped to L: and T: in this Wine prefix. The Windows test prepares, takes,
# hands in and watches the test with real keys; afterwards headless Chromium
# reads the class overview the teacher saved, which must name the learners
# who are missing.
# 29 classmates hand in through the same hand-in code (kvtool exam hand-in)
# at the moment the learner at the real program hands in, so 30 arrive at once.
#   class_test_flow.sh kv_win_tests.exe KVTOOL
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
exe=$1
kvtool=$2
fill=$(dirname "$kvtool")/class_fill
[ -x "$kvtool" ] && [ -x "$fill" ] || { echo "FEHLER: kvtool oder class_fill fehlt neben $kvtool."; exit 1; }
server="$top/tests/tools/school_server.sh"
prefix=${WINEPREFIX:-$HOME/.wine}
work=$(mktemp -d /tmp/kv-klassenarbeit.XXXXXX)
fail() { echo "FEHLER: $*"; exit 1; }

cleanup() {
  rm -f "$prefix/dosdevices/l:" "$prefix/dosdevices/t:"
  "$server" unmount "$work/lehrer" >/dev/null 2>&1
  "$server" unmount "$work/schueler" >/dev/null 2>&1
  "$server" stop "$work/server" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# Results an earlier run left waiting on this "PC" would be handed in here.
rm -rf "$prefix"/drive_c/users/*/AppData/Local/Klavento/Abgaben-ausstehend \
  "$prefix"/drive_c/users/*/"Local Settings"/"Application Data"/Klavento/Abgaben-ausstehend

"$server" start "$work/server" || fail "Der Schulserver (Samba) startet nicht."
teacher=$("$server" mount "$work/server" "$work/lehrer" kvlehrer) || fail "Die Freigabe lässt sich als Lehrkraft nicht einhängen."
learner=$("$server" mount "$work/server" "$work/schueler" kvschueler) || fail "Die Freigabe lässt sich als Lernende nicht einhängen."
mkdir "$teacher/8b" || fail "Die Lehrkraft kann auf der Freigabe keinen Ordner anlegen."
"$server" drive "$prefix" l "$teacher" || fail "Laufwerk L: nicht verbunden."
"$server" drive "$prefix" t "$learner" || fail "Laufwerk T: nicht verbunden."

# The class: the three the test names, then 29 classmates.
{
  printf '%s\r\n' "Becker, Jonas" "Schmidt, Lea; 1,5" "Yilmaz, Emre"
  for name in Albrecht Bauer Braun Demir Engel Fischer Franke Graf Hahn Hoffmann Jung Kaiser Keller Koch \
              Krause Lang Lorenz Maier Neumann Otto Peters Richter Roth Sauer Schulz Vogel Wagner Weber Zimmer; do
    printf '%s, %s\r\n' "$name" "Kim"
  done
} >"$work/liste.txt"

# The classmates: their results made for the test once it is in the share,
# handed in all at once when the learner at the program goes on to the
# evaluation (the test leaves the file "vorbereitet" once the test is saved,
# "los" then).
(
  # Signals in the work folder, not looks into the share: smbnetfs answered
  # the program "access denied" while another process kept listing it.
  for _ in $(seq 1200); do [ -e "$work/vorbereitet" ] && break; sleep 0.5; done
  test=$(ls "$teacher"/8b/*.kvk 2>/dev/null | head -n 1)
  [ -n "$test" ] || exit 1
  "$fill" --test "$test" "$work/ergebnisse" 32 >/dev/null || exit 1
  for _ in $(seq 3000); do [ -e "$work/los" ] && break; sleep 0.1; done
  [ -e "$work/los" ] || exit 1
  n=0
  while IFS= read -r line; do
    n=$((n + 1))
    [ $n -le 3 ] && continue
    name=${line%$'\r'}
    "$kvtool" exam hand-in "$learner/8b/$(basename "$test")" --learner "$name" \
      --result "$work/ergebnisse/$(printf '%02d' $n).kvw" >"$work/abgabe-$n.log" 2>&1 &
  done <"$work/liste.txt"
  wait
) &
classmates=$!

KV_FLOW_WORK="$work" "$top/tests/tools/run_win_tests.sh" "$exe" 'ClassTestFlow.*'
rc=$?
kill $classmates 2>/dev/null
wait $classmates 2>/dev/null
[ $rc -eq 0 ] || exit $rc

# Thirty whole files, none overwritten, each read as the program reads it,
# and the one that waited on the learner's PC while the server was gone.
folder=$(ls -d "$teacher"/8b/*Abgaben)
count=$(ls "$folder" | grep -c '\.kvw$')
[ "$count" -eq 31 ] || fail "$count statt 31 Abgaben im Ordner: $(ls "$folder" | tr '\n' ' ')"
ls -A "$folder" | grep -v '\.kvw$' && fail "Reste im Abgabeordner."
"$kvtool" result check "$folder" >"$work/pruefung.txt" || fail "Nicht jede Abgabe ist gültig: $(grep -v gültig "$work/pruefung.txt")"
echo "30 Abgaben zugleich, darunter das Programm mit echten Tasten, und eine nach dem Ausfall des Servers: alle ganz, keine überschrieben."

page="$work/uebersicht.html"
[ -s "$page" ] || fail "Die Klassenübersicht wurde nicht gespeichert."
command -v chromium >/dev/null || fail "chromium fehlt (scripts/deps.sh installiert es)."
dom=$(timeout 120 chromium --headless --no-sandbox --disable-gpu --dump-dom "file://$page" 2>"$work/chromium.log") ||
  fail "Chromium las die Übersicht nicht: $(tail -n 3 "$work/chromium.log")"
for missing in "Schmidt, Lea" "Yilmaz, Emre"; do
  echo "$dom" | grep -q "$missing" || fail "Die Übersicht nennt $missing nicht."
done
echo "$dom" | grep -qi "fehlt" || fail "Die Übersicht sagt nicht, wer fehlt."
echo "Klassenarbeit am Schulserver: Übersicht in Chromium nennt die Fehlenden."
