#!/usr/bin/env bash
# kvtool exam: prepare a class test, hand results in as learners' PCs do, keep
# one waiting while the folder is gone, deliver it once, and read the status.
set -u
tool=$1
fill=$2
fail=0
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir" 2>/dev/null; rm -rf "$dir"' EXIT
say() { echo "$*"; fail=1; }

mkdir -p "$dir/share" "$dir/class"
printf 'Die Idee zum Bau eines Hauses kam im Winter.\nAlle waren froh.\n' >"$dir/text.txt"
printf '\xef\xbb\xbfNachname;Vorname;Nachteilsausgleich\r\nM\xc3\xbcller;Jonas;\r\nYildiz;Ayse;12,5\r\nKlassenfahrt 2026;;\r\n' >"$dir/liste.csv"
printf 'Note 1 = 0,5\nNote 2 = 1\nNote 3 = 2\nNote 4 = 3\nNote 5 = 4\n' >"$dir/schluessel.txt"
"$fill" "$dir/class" 3 >/dev/null || say "class_fill failed"

test=$("$tool" exam create --text "$dir/text.txt" --title "Hausbau" --class 8b --list "$dir/liste.csv" \
  --minutes 10 --folder "$dir/share" 2>"$dir/err") || say "create failed: $(cat "$dir/err")"
[ "$test" = "$dir/share/Klassenarbeit 8b – Hausbau.kvk" ] || say "test file: $test"
[ -d "$dir/share/Klassenarbeit 8b – Hausbau – Abgaben" ] || say "no hand-in folder"
grep -q "Zeile 4: „Klassenfahrt 2026;;“" "$dir/err" || say "list line not named: $(cat "$dir/err")"
if "$tool" exam create --text "$dir/text.txt" --title "Hausbau" --class 8b --folder "$dir/share" 2>"$dir/err"; then
  say "an existing test was overwritten"
fi

out=$("$tool" exam status "$test") || say "status failed"
grep -q "0 von 2 abgegeben" <<<"$out" || say "status: $out"
grep -q "Yildiz, Ayse (12,5 Minuten) | fehlt" <<<"$out" || say "own time not shown: $out"

# Results of the same class for another text: they name their learner and
# class as the program writes them, and are marked as another text later.
mkdir -p "$dir/anderes"
printf 'Ein ganz anderer Text.\n' >"$dir/anderer-text.txt"
other=$("$tool" exam create --text "$dir/anderer-text.txt" --title "Anderes" --class 8b --list "$dir/liste.csv" \
  --folder "$dir/anderes" 2>/dev/null) || say "create of the other test failed"
"$fill" --test "$other" "$dir/fremd" 2 >/dev/null || say "class_fill --test failed"
result="$dir/fremd/01.kvw"   # Müller, Jonas
ayses="$dir/fremd/02.kvw"    # Yildiz, Ayse

# A result that names someone else is not filed under the name given.
"$tool" exam hand-in "$test" --learner "Ayse Yildiz" --result "$result" 2>"$dir/err"
[ $? -eq 1 ] || say "a result of Müller, Jonas was taken for Ayse Yildiz"
grep -q "Das Ergebnis ist von „Müller, Jonas“, nicht von „Yildiz, Ayse“. Es wird nicht abgegeben." "$dir/err" ||
  say "someone else's result: $(cat "$dir/err")"
[ -z "$(ls "$dir/share/Klassenarbeit 8b – Hausbau – Abgaben")" ] || say "someone else's result was filed"
# Nor one of another class, where the test has no list to check names by.
mkdir -p "$dir/offen"
"$tool" exam create --text "$dir/text.txt" --title "Offen" --class 8b --folder "$dir/offen" >/dev/null 2>&1 ||
  say "create without a list failed"
"$tool" exam hand-in "$dir/offen/Klassenarbeit 8b – Offen.kvk" --learner "Carla Neumann" \
  --result "$dir/class/test-3-1.kvw" 2>"$dir/err"
[ $? -eq 1 ] || say "a result of class 8a was taken for a test of 8b"
grep -q "Das Ergebnis ist für die Klasse „8a“, die Klassenarbeit für die Klasse „8b“." "$dir/err" ||
  say "another class: $(cat "$dir/err")"

out=$("$tool" exam hand-in "$test" --learner "Jonas Müller" --result "$result") || say "hand-in failed"
grep -Eq "^abgegeben: .*/8b – Müller, Jonas – [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}\.[0-9]{2}\.kvw$" <<<"$out" ||
  say "hand-in: $out"
"$tool" exam hand-in "$test" --learner "Müller, Jonas" --result "$result" 2>"$dir/err"
[ $? -eq 4 ] || say "a second attempt was not refused"
grep -q "bereits abgegeben („8b – Müller, Jonas" "$dir/err" || say "refusal: $(cat "$dir/err")"
"$tool" exam hand-in "$test" --learner "Paul Becker" --result "$result" 2>"$dir/err"
[ $? -eq 1 ] || say "a learner outside the list was taken"

# The hand-in folder is gone: the result waits on this PC and goes once.
mv "$dir/share/Klassenarbeit 8b – Hausbau – Abgaben" "$dir/weg"
"$tool" exam hand-in "$test" --learner "Ayse Yildiz" --result "$ayses" --waiting "$dir/wartet" 2>"$dir/err"
[ $? -eq 3 ] || say "a failed hand-in did not exit 3: $(cat "$dir/err")"
grep -q "wartet auf diesem PC" "$dir/err" || say "waiting: $(cat "$dir/err")"
"$tool" exam hand-in "$test" --learner "Ayse Yildiz" --result "$ayses" --waiting "$dir/wartet" 2>"$dir/err"
[ $? -eq 4 ] || say "a waiting result did not count as an attempt"
"$tool" exam deliver --waiting "$dir/wartet" 2>/dev/null
[ $? -eq 3 ] || say "deliver into a missing folder did not exit 3"
mv "$dir/weg" "$dir/share/Klassenarbeit 8b – Hausbau – Abgaben"
out=$("$tool" exam deliver --waiting "$dir/wartet") || say "deliver failed"
grep -q "abgegeben: .*8b – Yildiz, Ayse" <<<"$out" || say "deliver: $out"
out=$("$tool" exam deliver --waiting "$dir/wartet") || say "second deliver failed"
[ -z "$out" ] || say "delivered twice: $out"
[ "$(ls "$dir/share/Klassenarbeit 8b – Hausbau – Abgaben" | wc -l)" -eq 2 ] || say "files: $(ls "$dir/share/"*Abgaben)"

# The whole share is gone, test file included, as when the server stops
# between the start of the exercise and the hand-in: the result still waits.
mv "$dir/share" "$dir/share-weg"
"$tool" exam hand-in "$test" --learner "Jonas Müller" --result "$result" --waiting "$dir/wartet2" 2>"$dir/err"
[ $? -eq 3 ] || say "with the server gone the hand-in did not exit 3: $(cat "$dir/err")"
[ -n "$(ls "$dir/wartet2" 2>/dev/null)" ] || say "with the server gone nothing waits"
mv "$dir/share-weg" "$dir/share"
out=$("$tool" exam deliver --waiting "$dir/wartet2") || say "deliver after the server came back failed"
grep -q "abgegeben: " <<<"$out" || say "deliver after the server: $out"
rm -f "${out#abgegeben: }"

# Both results were written by someone else for another text: listed by the
# name inside them, marked, never graded.
out=$("$tool" exam status "$test" --grade "$dir/schluessel.txt") || say "status failed"
grep -q "| anderer Text als in der Klassenarbeit | 8b – Müller, Jonas" <<<"$out" || say "other test not marked: $out"
grep -q "Note" <<<"$out" && say "a result of another text was graded: $out"
csv=$("$tool" exam status "$test" --csv) || say "csv failed"
grep -q "^Klassenarbeit;Hausbau$" <<<"$csv" || say "csv title: $csv"
grep -q "^Name;Zeit (Minuten);Status;" <<<"$csv" || say "csv header: $csv"

# A changed test file is refused with its reason.
sed -i 's/^Sekunden: 600$/Sekunden: 900/' "$test"
"$tool" exam status "$test" 2>"$dir/err" && say "an altered test was read"
grep -q "Siegel passt nicht" "$dir/err" || say "altered: $(cat "$dir/err")"
for args in "exam --help" "exam create --help" "exam hand-in --help"; do
  out=$("$tool" $args 2>&1)
  grep -Eq "Usage|Options|REQUIRED" <<<"$out" && say "English in kvtool $args"
done
exit $fail
