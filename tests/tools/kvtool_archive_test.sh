#!/usr/bin/env bash
# kvtool archive: the built-in archives (the example texts, the Grundkurs
# against its lesson files), an exact round trip of 250 texts, and the clear
# refusals (with no archive left behind) for input it cannot take.
set -u
export LC_ALL=C.UTF-8
tool=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
problem() { echo "FEHLER: $*"; fail=1; }

# expect_refusal NAME PATTERN COMMAND...: non-zero exit and a message matching PATTERN.
expect_refusal() {
  local name=$1 pattern=$2 out
  shift 2
  if out=$("$@" 2>&1); then problem "$name: wurde angenommen"; return; fi
  grep -Eq -- "$pattern" <<<"$out" || problem "$name: Meldung passt nicht zu /$pattern/: $out"
}

# ---- The built-in archive ----
expected_list='Archiv: Beispieltexte
 Nr.  Titel                             Zeilen  Zeichen
   1  Beispiel 01: Erarbeitung e und i       4      244
   2  Beispiel 02: Wörter                   10      610
   3  Beispiel 03: Wendungen                12      732
   4  Beispiel 04: Sätze                    10      610
   5  Beispiel 05: Übungstext               32     1912'
list=$("$tool" archive list --builtin) || problem "list --builtin scheiterte"
[ "$list" = "$expected_list" ] || problem "list --builtin: $list"

"$tool" archive show --builtin 1 >"$work/b1" || problem "show --builtin 1 scheiterte"
[ "$(wc -l <"$work/b1")" -eq 4 ] || problem "show --builtin 1: nicht 4 Zeilen"
[ "$(head -n 1 "$work/b1")" = "fded fded fded fded sded sded sded sded aded aded aded aded" ] ||
  problem "show --builtin 1: erste Zeile"
for n in 1 2 3 4 5; do
  "$tool" archive show --builtin $n | while IFS= read -r line; do
    len=$(printf '%s' "$line" | iconv -f UTF-8 -t WINDOWS-1252 | wc -c)
    if [ $n -lt 5 ] && [ "$len" -ne 59 ]; then echo "Text $n: $len Zeichen: $line"; fi
    if [ $n -eq 5 ] && { [ "$len" -lt 56 ] || [ "$len" -gt 59 ]; }; then echo "Text 5: $len Zeichen: $line"; fi
  done | grep . && problem "show --builtin: Zeilenlängen"
done
"$tool" archive extract --builtin "$work/builtin" >/dev/null || problem "extract --builtin scheiterte"
[ "$(ls "$work/builtin" | wc -l)" -eq 5 ] || problem "extract --builtin: nicht 5 Dateien"
[ -f "$work/builtin/Beispiel 01_ Erarbeitung e und i.txt" ] || problem "extract --builtin: Dateiname"
cmp -s <(tr -d '\r' <"$work/builtin/Beispiel 04_ Sätze.txt") <("$tool" archive show --builtin 4) ||
  problem "extract --builtin: Inhalt von Text 4"
expect_refusal "show --builtin 6" "gibt es nicht" "$tool" archive show --builtin 6
expect_refusal "show --builtin x" "gibt es nicht" "$tool" archive show --builtin x
expect_refusal "list ohne Datei" "Aufruf" "$tool" archive list
expect_refusal "extract ohne Überschreiben" "gibt es schon" "$tool" archive extract --builtin "$work/builtin"
"$tool" archive extract --builtin --force "$work/builtin" >/dev/null || problem "extract --force scheiterte"

# ---- The built-in archives by name ----
named=$work/eingebaut
mkdir -p "$named"
lessons=("$top"/texts/grundkurs/lektion-*.txt)
count=${#lessons[@]}
[ "$count" -ge 30 ] || problem "keine Lektionen in $top/texts/grundkurs"
names=$("$tool" archive list --builtin-archives) || problem "list --builtin-archives scheiterte"
grep -Eq '^  beispiele +Beispieltexte \(5 Texte; auch mit --builtin\)$' <<<"$names" ||
  problem "list --builtin-archives: beispiele fehlt: $names"
grep -Eq "^  grundkurs +Grundkurs \($count Texte\)$" <<<"$names" ||
  problem "list --builtin-archives: grundkurs fehlt: $names"

# --builtin alone stays the example texts, byte for byte the same as naming them.
[ "$("$tool" archive list --builtin-archive beispiele)" = "$expected_list" ] ||
  problem "list --builtin-archive beispiele weicht von list --builtin ab"
for n in 1 5; do
  cmp -s <("$tool" archive show --builtin $n) <("$tool" archive show --builtin-archive beispiele $n) ||
    problem "show --builtin-archive beispiele $n weicht ab"
done
"$tool" archive extract --builtin-archive beispiele "$named/beispiele" >/dev/null ||
  problem "extract --builtin-archive beispiele scheiterte"
diff -r "$work/builtin" "$named/beispiele" >/dev/null || problem "extract --builtin-archive beispiele weicht ab"
"$tool" archive print --builtin -o "$named/beispiele.html" || problem "print --builtin scheiterte"
"$tool" archive print --builtin-archive beispiele -o "$named/beispiele-benannt.html" ||
  problem "print --builtin-archive beispiele scheiterte"
cmp -s "$named/beispiele.html" "$named/beispiele-benannt.html" || problem "print --builtin-archive beispiele weicht ab"
[ "$(grep -c '<section>' "$named/beispiele.html")" = 5 ] || problem "print --builtin: nicht 5 Blätter"
grep -q 'Beispieltexte' "$named/beispiele.html" || problem "print --builtin: Archivname fehlt"

# The Grundkurs, lesson by lesson as texts/grundkurs holds it: a title line,
# a "Neu:" line, an empty line, then the text.
kurs=$("$tool" archive list --builtin-archive grundkurs) || problem "list --builtin-archive grundkurs scheiterte"
[ "$(head -n 1 <<<"$kurs")" = "Archiv: Grundkurs" ] || problem "list Grundkurs: Archivname: $(head -n 1 <<<"$kurs")"
[ "$(tail -n +3 <<<"$kurs" | wc -l)" -eq "$count" ] || problem "list Grundkurs: nicht $count Lektionen"
"$tool" archive extract --builtin-archive grundkurs "$named/kurs" >"$named/kurs.txt" ||
  problem "extract --builtin-archive grundkurs scheiterte"
[ "$(ls "$named/kurs" | wc -l)" -eq "$count" ] || problem "extract Grundkurs: nicht $count Dateien"
n=0
for lesson in "${lessons[@]}"; do
  n=$((n + 1))
  title=$(sed -n '1s/^Titel: *//p' "$lesson")
  row=$(sed -n "$((n + 2))p" <<<"$kurs")
  [[ $row == "$(printf '%4d' $n)  $title "* ]] || problem "list Grundkurs, Lektion $n: $row"
  cmp -s <(tail -n +4 "$lesson") <("$tool" archive show --builtin-archive grundkurs $n) ||
    problem "show Grundkurs $n weicht von $(basename "$lesson") ab"
  file=$(sed -n "s/^Text $n: //p" "$named/kurs.txt")
  case $(basename "$file") in "$(printf 'Lektion %02d_' $n)"*.txt) ;; *) problem "extract Grundkurs $n: Dateiname $file" ;; esac
  cmp -s <(tail -n +4 "$lesson" | sed 's/$/\r/') "$file" || problem "extract Grundkurs $n weicht ab (UTF-8, CR LF)"
done
"$tool" archive print --builtin-archive grundkurs -o "$named/kurs.html" || problem "print Grundkurs scheiterte"
[ "$(grep -c '<section>' "$named/kurs.html")" = "$count" ] || problem "print Grundkurs: nicht $count Blätter"
"$tool" archive print --builtin-archive grundkurs -n 3 -o "$named/lektion3.html" || problem "print Grundkurs -n 3 scheiterte"
[ "$(grep -c '<section>' "$named/lektion3.html")" = 1 ] || problem "print Grundkurs -n 3: nicht ein Blatt"
[ "$(grep -c '<li>' "$named/lektion3.html")" = "$(tail -n +4 "${lessons[2]}" | wc -l)" ] ||
  problem "print Grundkurs -n 3: nicht alle Zeilen der Lektion"
grep -qF -- "$(sed -n '1s/^Titel: *//p' "${lessons[2]}")" "$named/lektion3.html" || problem "print Grundkurs -n 3: Titel fehlt"
grep -q 'Grundkurs' "$named/lektion3.html" || problem "print Grundkurs -n 3: Archivname fehlt"
[ "$("$tool" archive list --builtin-archive GrundKurs)" = "$kurs" ] || problem "Name nicht ohne Groß- und Kleinschreibung"
expect_refusal "unbekanntes eingebautes Archiv" '„lektionen“ gibt es nicht; es gibt beispiele und grundkurs' \
  "$tool" archive list --builtin-archive lektionen
expect_refusal "print unbekanntes eingebautes Archiv" '„lektionen“ gibt es nicht' \
  "$tool" archive print --builtin-archive lektionen
expect_refusal "--builtin mit --builtin-archive" 'nicht zusammen' "$tool" archive show --builtin --builtin-archive grundkurs 1
expect_refusal "print --builtin mit --builtin-archive" 'Entweder' "$tool" archive print --builtin --builtin-archive grundkurs
expect_refusal "show Grundkurs hinter der letzten Lektion" "enthält $count Texte" \
  "$tool" archive show --builtin-archive grundkurs $((count + 1))
expect_refusal "show Grundkurs ohne Nummer" 'Aufruf' "$tool" archive show --builtin-archive grundkurs
expect_refusal "list --builtin-archives mit Datei" 'steht allein' "$tool" archive list --builtin-archives "$work/x.kv7"

# ---- 250 texts: pack, list, show, extract ----
mkdir -p "$work/in" "$work/out"
for i in $(seq 1 250); do
  name=$(printf 'text%03d' "$i")
  {
    printf 'Übung %d: Größe, Maß und Bären – „zitiert“ für €%d\r\n' "$i" "$i"
    for k in $(seq 1 $((i % 9))); do
      printf 'Zeile %d von Text %d mit ÄÖÜ äöü ß und Satzzeichen: ,.;-!?\r\n' "$k" "$i"
    done
    [ $((i % 50)) -eq 0 ] && printf '\r\nnach einer Leerzeile\r\n'
    printf '%080d\r\n' "$i"
  } >"$work/in/$name.txt"
done
"$tool" archive pack -o "$work/gross.kv7" --name "Zweihundertfünfzig Texte" "$work"/in/text*.txt >/dev/null ||
  problem "pack mit 250 Dateien scheiterte"
"$tool" archive list "$work/gross.kv7" >"$work/list" || problem "list gross.kv7 scheiterte"
[ "$(head -n 1 "$work/list")" = "Archiv: Zweihundertfünfzig Texte" ] || problem "list: Archivname"
[ "$(tail -n +3 "$work/list" | wc -l)" -eq 250 ] || problem "list: nicht 250 Texte"
for i in 1 2 50 137 250; do
  name=$(printf 'text%03d' "$i")
  lines=$(wc -l <"$work/in/$name.txt")
  chars=$(iconv -f UTF-8 -t WINDOWS-1252 <"$work/in/$name.txt" | wc -c)
  row=$(printf '%4d  %-32s  %6d  %7d' "$i" "$name" "$lines" "$chars")
  grep -qxF -- "$row" "$work/list" || problem "list: Zeile für $name fehlt: $row"
  cmp -s <(tr -d '\r' <"$work/in/$name.txt") <("$tool" archive show "$work/gross.kv7" "$i") ||
    problem "show $i weicht ab"
done
"$tool" archive extract "$work/gross.kv7" "$work/out" >/dev/null || problem "extract gross.kv7 scheiterte"
[ "$(ls "$work/out" | wc -l)" -eq 250 ] || problem "extract: nicht 250 Dateien"
for f in "$work"/in/*.txt; do
  cmp -s "$f" "$work/out/$(basename "$f")" || { problem "extract: $(basename "$f") weicht ab"; break; }
done

# Windows-1252 input, a title from --title, LF line ends and no final line break.
printf 'Gr\xfc\xdfe aus K\xf6ln\nzweite Zeile' >"$work/ansi.txt"
"$tool" archive pack -o "$work/ansi.kv7" --name Ansi --title "Köln" "$work/ansi.txt" >/dev/null ||
  problem "pack Windows-1252 scheiterte"
[ "$("$tool" archive show "$work/ansi.kv7" 1)" = "$(printf 'Grüße aus Köln\nzweite Zeile')" ] ||
  problem "show Windows-1252-Text"
grep -q "Köln" <("$tool" archive list "$work/ansi.kv7") || problem "list: Titel aus --title"

# ---- Refusals: message with file and line, exit code, nothing left behind ----
mkdir -p "$work/bad"
printf 'gut\r\nauch gut\r\nPfeil \xe2\x86\x92 hier\r\n' >"$work/bad/pfeil.txt"
printf 'gut\r\na\tb\r\n' >"$work/bad/tab.txt"
printf 'gut\r\nx\x81y\r\n' >"$work/bad/undefiniert.txt"
printf '' >"$work/bad/leer.txt"
printf '\r\n\r\n' >"$work/bad/nurumbrueche.txt"
{ printf 'gut\r\n'; printf '%081d\r\n' 0; } >"$work/bad/lang.txt"
printf 'ok\r\n' >"$work/bad/ein-dateiname-der-viel-zu-lang-ist-fuer-einen-titel.txt"
printf 'ok\r\n' >"$work/bad/ok.txt"
printf 'kaputt \xc3\r\n' >"$work/bad/kaputt.txt"

cp "$work/ansi.kv7" "$work/ziel.kv7"
cp "$work/ziel.kv7" "$work/ziel.vorher"
pack() { "$tool" archive pack -o "$work/ziel.kv7" --name Test "$@"; }
expect_refusal "Zeichen außerhalb Windows-1252" 'pfeil\.txt, Zeile 3, Spalte 7: .*U\+2192' pack "$work/bad/pfeil.txt"
expect_refusal "Tabulator" 'tab\.txt, Zeile 2, Spalte 2: Tabulator' pack "$work/bad/tab.txt"
expect_refusal "undefiniertes Byte" 'undefiniert\.txt, Zeile 2, Spalte 2: .*0x81' pack "$work/bad/undefiniert.txt"
expect_refusal "leere Datei" 'leer\.txt: .*keinen Text' pack "$work/bad/leer.txt"
expect_refusal "nur Zeilenumbrüche" 'nurumbrueche\.txt: .*keinen Text' pack "$work/bad/nurumbrueche.txt"
expect_refusal "Zeile zu lang" 'lang\.txt, Zeile 2: .*81 Zeichen.*höchstens 80' pack "$work/bad/lang.txt"
expect_refusal "Titel aus Dateiname zu lang" 'viel-zu-lang.*höchstens 32' pack "$work/bad/ein-dateiname-der-viel-zu-lang-ist-fuer-einen-titel.txt"
expect_refusal "Titel aus --title zu lang" 'ok\.txt: .*höchstens 32' pack --title "$(printf 'T%.0s' $(seq 33))" "$work/bad/ok.txt"
expect_refusal "ungültiges UTF-8" 'kaputt\.txt, Zeile 1, Spalte 8: .*UTF-8' "$tool" archive pack -o "$work/ziel.kv7" --name Test --encoding utf-8 "$work/bad/kaputt.txt"
expect_refusal "Name zu lang" 'höchstens 64' "$tool" archive pack -o "$work/ziel.kv7" --name "$(printf 'N%.0s' $(seq 65))" "$work/bad/ok.txt"
expect_refusal "Name fehlt" '--name' "$tool" archive pack -o "$work/ziel.kv7" "$work/bad/ok.txt"
expect_refusal "Ausgabe fehlt" '-o' "$tool" archive pack --name Test "$work/bad/ok.txt"
expect_refusal "Ausgabe ohne .kv7" '\.kv7' "$tool" archive pack -o "$work/ziel.txt" --name Test "$work/bad/ok.txt"
expect_refusal "Datei fehlt" 'gibtsnicht\.txt' pack "$work/bad/gibtsnicht.txt"
expect_refusal "Keine Dateien" 'Keine Textdateien' pack
expect_refusal "251 Texte" 'höchstens 250' pack "$work"/in/text*.txt "$work/bad/ok.txt"
# Quotes and dashes from a word processor: packed with a warning naming the
# line, or replaced by what the keyboard types.
mkdir -p "$work/typo"
printf 'Er sagte: \xe2\x80\x9eHallo\xe2\x80\x9c \xe2\x80\x93 und ging\xe2\x80\xa6\nZweite Zeile\n' >"$work/typo/typo.txt"
warned=$("$tool" archive pack --name Typo -o "$work/typo/typo.kv7" "$work/typo/typo.txt" 2>&1 >/dev/null) || problem "typografische Zeichen: abgelehnt"
grep -q 'Warnung: .*typo.txt, Zeile 1: „ “ – … gibt es auf der deutschen Tastatur nicht' <<<"$warned" ||
  problem "keine Warnung mit Zeile: $warned"
[ "$("$tool" archive show "$work/typo/typo.kv7" 1 | head -n 1)" = "Er sagte: „Hallo“ – und ging…" ] || problem "ohne Ersatz verändert"
"$tool" archive pack --keyboard-characters --name Typo -o "$work/typo/typo2.kv7" "$work/typo/typo.txt" >/dev/null 2>"$work/typo/typo.err" ||
  problem "--keyboard-characters scheiterte"
[ -s "$work/typo/typo.err" ] && problem "Warnung trotz Ersatz: $(cat "$work/typo/typo.err")"
[ "$("$tool" archive show "$work/typo/typo2.kv7" 1 | head -n 1)" = 'Er sagte: "Hallo" - und ging...' ] || problem "nicht ersetzt"

expect_refusal "Ordner fehlt" 'Der Ordner .*fehlt. ist nicht erreichbar' "$tool" archive pack -o "$work/fehlt/neu.kv7" --name Test "$work/bad/ok.txt"
# A refusal after good files leaves the earlier archive untouched and no stray files.
expect_refusal "Fehler in der zweiten Datei" 'tab\.txt' pack "$work/bad/ok.txt" "$work/bad/tab.txt"
cmp -s "$work/ziel.kv7" "$work/ziel.vorher" || problem "eine gescheiterte Packung hat das Archiv verändert"
stray=$(ls -A "$work" | grep -Ev '^(in|out|bad|builtin|eingebaut|gross\.kv7|list|b1|ansi\.txt|ansi\.kv7|ziel\.kv7|ziel\.vorher|typo)$')
[ -z "$stray" ] || problem "liegen gebliebene Dateien: $stray"
[ ! -e "$work/fehlt" ] || problem "Ordner angelegt"
# Packing over an existing archive replaces it.
pack "$work/bad/ok.txt" >/dev/null || problem "pack über ein vorhandenes Archiv scheiterte"
grep -q '^   1  ok ' <("$tool" archive list "$work/ziel.kv7") || problem "vorhandenes Archiv nicht ersetzt"

# ---- Damaged archives: the program's message, never a crash ----
head -c 51387 "$work/gross.kv7" >"$work/bad/kurz.kv7"
head -c -1 "$work/gross.kv7" >"$work/bad/abgeschnitten.kv7"
{ cat "$work/gross.kv7"; printf 'x'; } >"$work/bad/zulang.kv7"
cp "$work/gross.kv7" "$work/bad/signatur.kv7"
printf 'Klavento 9.9' | dd of="$work/bad/signatur.kv7" bs=1 seek=4 conv=notrunc status=none
cp "$work/gross.kv7" "$work/bad/zeichen.kv7"
printf '\x09' | dd of="$work/bad/zeichen.kv7" bs=1 seek=$((51388 + 3)) conv=notrunc status=none
for f in kurz abgeschnitten zulang signatur; do
  expect_refusal "list $f.kv7" "Fehler beim Lesen der Datei \".*/$f\\.kv7\"\\." "$tool" archive list "$work/bad/$f.kv7"
done
"$tool" archive list "$work/bad/zeichen.kv7" >/dev/null || problem "list: ein beschädigter Text verdirbt nicht das Verzeichnis"
expect_refusal "show beschädigter Text" 'Fehler beim Lesen der Datei.*Ein Text passt nicht' "$tool" archive show "$work/bad/zeichen.kv7" 1
expect_refusal "extract beschädigter Text" 'Fehler beim Lesen der Datei' "$tool" archive extract "$work/bad/zeichen.kv7" "$work/bad/x"
[ ! -e "$work/bad/x" ] || problem "extract eines beschädigten Archivs hat geschrieben"
expect_refusal "list fehlende Datei" 'Fehler beim Lesen der Datei' "$tool" archive list "$work/gibtsnicht.kv7"

# ---- A folder, as the program scans it: what it offers and what it passes over ----
cp "$work/gross.kv7" "$work/bad/gut.kv7"
out=$("$tool" archive list "$work/bad") || problem "list ORDNER scheiterte"
grep -Eq '^  Zweihundertfünfzig Texte +gut\.kv7 \(250 Texte\)$' <<<"$out" || problem "list ORDNER: gut.kv7 fehlt: $out"
grep -q 'zeichen\.kv7 (250 Texte)' <<<"$out" || problem "list ORDNER: zeichen.kv7 wird angeboten wie im Programm: $out"
grep -qx 'Nicht angeboten:' <<<"$out" || problem "list ORDNER: keine Liste der übergangenen Dateien: $out"
grep -qx '  kurz.kv7: Die Datei ist kürzer als der Archivkopf (51388 Bytes).' <<<"$out" || problem "list ORDNER: kurz.kv7: $out"
for f in abgeschnitten zulang; do
  grep -q "^  $f\.kv7: Die Dateilänge passt nicht" <<<"$out" || problem "list ORDNER: $f.kv7: $out"
done
grep -q '^  signatur\.kv7: Die Datei ist kein Klavento-Textarchiv' <<<"$out" || problem "list ORDNER: signatur.kv7: $out"

# ---- Templates to copy from: one sheet per text, the chosen lines, numbered ----
"$tool" archive print "$work/bad/gut.kv7" -n 2 -n 250 --from 1 --to 1 -o "$work/vorlage.html" ||
  problem "print scheiterte"
[ "$(grep -c '<section>' "$work/vorlage.html")" = 2 ] || problem "print: nicht zwei Blätter"
[ "$(grep -c '<li>' "$work/vorlage.html")" = 2 ] || problem "print: nicht je eine Zeile"
expect_refusal "print Text 251" 'Einen Text 251 gibt es nicht' "$tool" archive print "$work/bad/gut.kv7" -n 251
expect_refusal "print ohne Archiv" 'Entweder ein ARCHIV oder --builtin' "$tool" archive print

exit $fail
