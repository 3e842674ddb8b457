#!/usr/bin/env bash
# The whole class test on a real school server: Samba on the loopback, its
# class share mounted through FUSE once as the teacher and once as a learner,
# mapped to L: and T: in this Wine prefix. The Windows test prepares, takes,
# hands in and watches the test with real keys; afterwards headless Chromium
# reads the class overview the teacher saved, which must name the learners
# who are missing.
#   class_test_flow.sh kv_win_tests.exe
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
exe=$1
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

KV_FLOW_WORK="$work" "$top/tests/tools/run_win_tests.sh" "$exe" 'ClassTestFlow.*'
rc=$?
[ $rc -eq 0 ] || exit $rc

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
