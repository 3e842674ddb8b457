#!/usr/bin/env bash
# kvtool lesson: the shape of its output, the same lesson for the same seed,
# only open keys in the lines, and German refusals of bad key figures.
set -u
tool=$1
fill=$2
fail=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

# The lesson's lines, without the three closing lines.
lines_of() { head -n -3 <<<"$1"; }

# A new learner: eight lines of the home row and the space bar.
out=$("$tool" lesson --seed 1) || { echo "new learner failed"; fail=1; }
[ "$(wc -l <<<"$out")" -eq 11 ] || { echo "new learner: not 8 lines and 3 more:"; echo "$out"; fail=1; }
grep -qx "Tasten: a s d f j k l ö Leertaste" <<<"$out" || { echo "new learner's keys:"; echo "$out"; fail=1; }
grep -q "^Schwerpunkt: " <<<"$out" || { echo "no focus line"; fail=1; }
grep -q "^Gesperrt: g h e i r u t z b n w o c x v m q p y Umschalttaste ä ü ß" <<<"$out" ||
  { echo "locked keys:"; echo "$out"; fail=1; }
if lines_of "$out" | grep -q '[^asdfjklö ]'; then echo "a locked character in:"; lines_of "$out"; fail=1; fi
# 56 characters at most, counted in the program's own encoding.
if lines_of "$out" | iconv -f UTF-8 -t WINDOWS-1252 | awk 'length($0) > 56 { bad = 1 } END { exit !bad }'; then
  echo "a line too long"; fail=1
fi

# Same seed, same lesson; another seed, another one.
[ "$("$tool" lesson --seed 1)" = "$out" ] || { echo "seed 1 made two lessons"; fail=1; }
[ "$("$tool" lesson --seed 2)" != "$out" ] || { echo "seeds 1 and 2 made the same lesson"; fail=1; }
[ "$("$tool" lesson --seed 1 --lines 3 | wc -l)" -eq 6 ] || { echo "--lines 3 ignored"; fail=1; }

# Key figures as JSON: exactly the named keys are open, capitals open Shift.
cat >"$work/stats.json" <<'JSON'
{"target": 150, "keys": {
  "a": {"count": 120, "missed": 1, "meanMs": 300}, "s": {"count": 120, "missed": 0, "meanMs": 300},
  "d": {"count": 120, "missed": 0, "meanMs": 300}, "e": {"count": 120, "missed": 30, "meanMs": 350},
  "r": {"count": 120, "missed": 0, "meanMs": 310}, "n": {"count": 120, "missed": 0, "meanMs": 320},
  "h": {"count": 120, "missed": 0, "meanMs": 300}, "D": {"count": 40, "missed": 0, "meanMs": 500},
  " ": {"count": 400, "missed": 0, "meanMs": 250}}}
JSON
out=$("$tool" lesson --stats "$work/stats.json" --seed 5) || { echo "--stats failed"; fail=1; }
grep -qx "Tasten: a s d Leertaste h e r n Umschalttaste" <<<"$out" || { echo "--stats keys:"; echo "$out"; fail=1; }
grep -qx "Schwerpunkt: e" <<<"$out" || { echo "--stats focus (e is missed most):"; echo "$out"; fail=1; }
if lines_of "$out" | grep -q '[^asdehrnASDEHRN ]'; then echo "--stats: a locked character in:"; lines_of "$out"; fail=1; fi

# A learner's history, read as someone else's.
"$fill" "$work/Lernverlauf.sqlite" 20 >/dev/null || { echo "history_fill failed"; fail=1; }
out=$("$tool" lesson --history "$work/Lernverlauf.sqlite" --seed 3) || { echo "--history failed"; fail=1; }
grep -q "^Tasten: a s d f j k l ö Leertaste" <<<"$out" || { echo "--history keys:"; echo "$out"; fail=1; }

# Refusals: status 1 and a German reason.
refuse() {
  local what=$1 expected=$2
  shift 2
  local err
  if err=$("$tool" lesson "$@" 2>&1 >/dev/null); then echo "accepted: $what"; fail=1; return; fi
  grep -q "$expected" <<<"$err" || { echo "$what: $err"; fail=1; }
}
stats() { printf '%s' "$1" >"$work/bad.json"; }
stats '{"keys": {"a": {"count": 1}'
refuse "broken JSON" "kein gültiges JSON" --stats "$work/bad.json"
stats '{"keys": {}, "tempo": 3}'
refuse "unknown field" "Unbekanntes Feld „tempo“" --stats "$work/bad.json"
stats '{"keys": {"a": {"count": 10, "speed": 3}}}'
refuse "unknown key field" "unbekanntes Feld „speed“" --stats "$work/bad.json"
stats '{"keys": {"a": {"count": "zehn"}}}'
refuse "wrong type" "ganze Zahl" --stats "$work/bad.json"
stats '{"keys": {"a": {"count": -4}}}'
refuse "negative count" "nicht negativ" --stats "$work/bad.json"
stats '{"keys": {"a": {"count": 100000000000000000000}}}'
refuse "huge count" "zu groß" --stats "$work/bad.json"
stats '{"keys": {"a": {"count": 10, "meanMs": 1e308}}}'
refuse "huge interval" "Millisekunden" --stats "$work/bad.json"
stats '{"keys": {"a": {"count": 10, "missed": 11}}}'
refuse "more misses than strokes" "mehr Fehler" --stats "$work/bad.json"
stats '{"keys": {"ж": {"count": 10}}}'
refuse "not on the keyboard" "kein einzelnes Zeichen\|deutschen Tastatur" --stats "$work/bad.json"
stats '{"keys": {"ab": {"count": 10}}}'
refuse "two characters" "kein einzelnes Zeichen" --stats "$work/bad.json"
stats '{"target": 5000, "keys": {}}'
refuse "absurd target" "zu groß" --stats "$work/bad.json"
stats '[1, 2]'
refuse "no object" "JSON-Objekt" --stats "$work/bad.json"
refuse "missing stats file" "lassen sich nicht lesen" --stats "$work/nichts.json"
refuse "missing history" "gibt es nicht" --history "$work/nichts.sqlite"
refuse "target out of range" "" --target 0
refuse "both inputs" "" --history "$work/Lernverlauf.sqlite" --stats "$work/stats.json"
[ ! -e "$work/nichts.sqlite" ] || { echo "kvtool lesson created a history"; fail=1; }
exit $fail
