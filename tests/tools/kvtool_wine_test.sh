#!/usr/bin/env bash
# kvtool.exe under Wine with a teacher's folder and file names full of umlauts:
# the names must reach the files and come back readable on the console.
set -u
tool=$1
fail=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder="$work/Übungen für Jörg"
mkdir -p "$folder"
printf 'Die Übung läuft gut\r\nZweite Zeile\r\n' >"$folder/Straße ß.txt"
printf 'Die Übung lauft gut\r\nZweite Zeile\r\n' >"$folder/geschrieben.txt"
win=$(winepath -w "$folder" 2>/dev/null)

run() { WINEDEBUG=-all wine "$tool" "$@" 2>&1 | tr -d '\r'; }

out=$(run archive pack --name "Übungen für Jörg" -o "$win\\Übungsarchiv.kv7" "$win\\Straße ß.txt")
[ -f "$folder/Übungsarchiv.kv7" ] || { echo "pack did not write Übungsarchiv.kv7: $out"; fail=1; }
grep -q "Archiv „Übungen für Jörg“ mit 1 Text geschrieben: .*Übungsarchiv.kv7" <<<"$out" ||
  { echo "pack said: $out"; fail=1; }

out=$(run archive list "$win\\Übungsarchiv.kv7")
grep -q "^Archiv: Übungen für Jörg$" <<<"$out" || { echo "list said: $out"; fail=1; }
grep -Eq "^ +1 +Straße ß +2 " <<<"$out" || { echo "list titles: $out"; fail=1; }

out=$(run evaluate --template "$win\\Straße ß.txt" --typed "$win\\geschrieben.txt" --json)
grep -q '"errorCount": *1,' <<<"$out" || { echo "evaluate said: $out"; fail=1; }
grep -q '"Übungstext    Straße ß"' <<<"$out" || { echo "evaluate title: $out"; fail=1; }

out=$(run result show "$win\\fehlt.kvw")
grep -q "Die Datei \"Z:.*Übungen für Jörg\\\\fehlt.kvw\" kann nicht gelesen werden." <<<"$out" ||
  { echo "result show said: $out"; fail=1; }
# The built-in archives come from inside kvtool.exe: the Grundkurs with its
# umlaut titles, a lesson printed as a template page, and an unknown name.
out=$(run archive list --builtin-archive grundkurs)
grep -q "^Archiv: Grundkurs$" <<<"$out" || { echo "list --builtin-archive said: $out"; fail=1; }
grep -Eq "^ +16 +Lektion 16: ß +[0-9]+ " <<<"$out" || { echo "Grundkurs titles: $out"; fail=1; }
[ "$(grep -Ec '^ +[0-9]+ +Lektion ' <<<"$out")" -eq 33 ] || { echo "Grundkurs lessons: $out"; fail=1; }
out=$(run archive print --builtin-archive grundkurs -n 16 -o "$win\\Lektion ß.html")
grep -q "Lektion 16: ß" "$folder/Lektion ß.html" 2>/dev/null || { echo "print --builtin-archive said: $out"; fail=1; }
out=$(run archive list --builtin-archive fehlt)
grep -q "grundkurs" <<<"$out" || { echo "unknown built-in archive said: $out"; fail=1; }
exit $fail
