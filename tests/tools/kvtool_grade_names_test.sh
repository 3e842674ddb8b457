#!/usr/bin/env bash
# kvtool's --grade takes the example keys by name, as the teachers' window
# offers them: in any case, with or without umlauts; a word that is neither a
# key nor a file is refused with the names there are.
#   kvtool_grade_names_test.sh kvtool class_fill
set -u
export LC_ALL=C.UTF-8
tool=$1
fill=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
problem() { echo "FEHLER: $*"; fail=1; }

"$fill" "$work/Klasse 8" 12 >/dev/null || { echo "FEHLER: class_fill"; exit 1; }
graded() {  # how many rows of a class CSV have a grade
  python3 -c '
import csv, sys
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8-sig"), delimiter=";"))
col = rows[0].index("Note")
print(sum(1 for r in rows[1:] if len(r) > col and r[col] in "123456" and r[col]))' "$1"
}

for spelled in "Anfänger" "anfaenger" "ANFÄNGER" " Anfaenger "; do
  "$tool" result check --csv --grade "$spelled" "$work/Klasse 8" >"$work/$spelled.csv" 2>"$work/err.txt"
  rc=$?
  [ $rc -eq 0 ] || [ $rc -eq 2 ] || problem "--grade \"$spelled\": Rückgabewert $rc: $(cat "$work/err.txt")"
done
n=$(graded "$work/Anfänger.csv")
[ "${n:-0}" -ge 5 ] || problem "mit „Anfänger“ hat kaum eine Zeile eine Note ($n)"
for spelled in "anfaenger" "ANFÄNGER" " Anfaenger "; do
  cmp -s "$work/Anfänger.csv" "$work/$spelled.csv" || problem "--grade \"$spelled\" benotet anders als „Anfänger“"
done

"$tool" class report "$work/Klasse 8" -o "$work/seite.html" --grade "sekundarstufe i" >/dev/null 2>"$work/err.txt" ||
  problem "class report mit „sekundarstufe i“: $(cat "$work/err.txt")"
grep -q "Sekundarstufe I" "$work/seite.html" || problem "die Übersicht nennt den Schlüssel „Sekundarstufe I“ nicht"

# Neither a key nor a file: refused, with the names.
"$tool" result check --csv --grade "Oberstufe" "$work/Klasse 8" >/dev/null 2>"$work/err.txt"
rc=$?
[ $rc -eq 1 ] || problem "„Oberstufe“ nicht abgelehnt (Rückgabewert $rc)"
grep -q "„Oberstufe“ ist weder ein Notenschlüssel noch eine lesbare Datei. Notenschlüssel: „Anfänger“, „Sekundarstufe I“." \
  "$work/err.txt" || problem "die Ablehnung nennt die Schlüssel nicht: $(cat "$work/err.txt")"

# A file of that name still wins, as before.
cat >"$work/anfaenger" <<'KEY'
Name = Streng
Note 1 = 0,01
Note 2 = 0,02
Note 3 = 0,03
Note 4 = 0,04
Note 5 = 0,05
KEY
(cd "$work" && "$tool" result check --csv --grade anfaenger "$work/Klasse 8" >"$work/datei.csv" 2>/dev/null)
cmp -s "$work/datei.csv" "$work/Anfänger.csv" && problem "die Datei „anfaenger“ wurde nicht gelesen"

# A class test made with an example key carries it.
printf 'Adler, Anna\nBecker, Ben\n' >"$work/liste.txt"
printf 'Das ist der Text.\n' >"$work/text.txt"
made=$("$tool" exam create --class 8b --title Probe --text "$work/text.txt" --list "$work/liste.txt" \
  --folder "$work" --grade "Sekundarstufe I" 2>"$work/err.txt") || problem "exam create: $(cat "$work/err.txt")"
if [ -n "$made" ]; then
  "$tool" exam status "$made" >"$work/stand.txt" 2>"$work/err.txt" || [ $? -eq 2 ] ||
    problem "exam status: $(cat "$work/err.txt")"
  "$tool" exam status "$made" --grade anfaenger >/dev/null 2>"$work/err.txt" || [ $? -eq 2 ] ||
    problem "exam status --grade anfaenger: $(cat "$work/err.txt")"
fi

[ $fail -eq 0 ] && echo "ok: --grade nimmt die Beispielschlüssel beim Namen"
exit $fail
