#!/usr/bin/env bash
# The class overview and the class CSV in the programs teachers open them
# with: headless Chromium renders the page and prints it to PDF (A4, no
# error from the page), LibreOffice Calc reads the CSV with German settings
# (the figures are numbers, their sum the sum of the Anschläge; a learner's
# formula stays text).
#   class_report_test.sh kvtool class_fill
set -u
export LC_ALL=C.UTF-8
tool=$1
fill=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
problem() { echo "FEHLER: $*"; fail=1; }
for program in chromium pdfinfo pdftoppm soffice; do
  command -v $program >/dev/null || { echo "FEHLER: $program fehlt (scripts/deps.sh installiert es)"; exit 1; }
done

"$fill" "$work/Klasse 8" 30 >/dev/null || { echo "FEHLER: class_fill"; exit 1; }
cat >"$work/schluessel.txt" <<'KEY'
Name = Sekundarstufe I
Note 1 = 0,1
Note 2 = 0,2
Note 3 = 0,3
Note 4 = 0,4
Note 5 = 0,5
Mindestanschläge = 1200 gesamt
Stufe = 50
Höchstens Stufen = 4
KEY
page="$work/uebersicht.html"
"$tool" class report "$work/Klasse 8" -o "$page" --grade "$work/schluessel.txt" >/dev/null ||
  problem "class report scheiterte"

# Self-contained and escaped.
grep -q '&lt;img src=x onerror=alert(1)&gt;' "$page" || problem "der Name als Markup ist nicht als Text zu sehen"
grep -q '<img' "$page" && problem "ein <img> steht in der Seite"
grep -Eq '<[a-zA-Z]+[^>]*[[:space:]](src|href)=' "$page" && problem "die Seite verweist auf fremde Dateien"
grep -q '<svg' "$page" || problem "keine SVG-Grafik"
grep -q 'Nicht gewertete Dateien' "$page" || problem "die abgelehnten Dateien fehlen"
grep -q 'Schwächste Tasten der Klasse' "$page" || problem "die Lernverläufe fehlen"
grep -q '@page { size: A4' "$page" || problem "keine Druckvorgaben für A4"

# The real browser: a picture, and a PDF print.
flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking
       --disable-component-update --disable-sync --user-data-dir="$work/profil")
chromium "${flags[@]}" --window-size=1100,1400 --screenshot="$work/seite.png" --enable-logging=stderr --v=0 \
  "file://$page" >"$work/chromium.log" 2>&1
[ -s "$work/seite.png" ] || problem "Chromium machte kein Bild: $(tail -n 5 "$work/chromium.log")"
grep -E 'CONSOLE|Uncaught' "$work/chromium.log" && problem "die Seite meldet Fehler in Chromium"
chromium "${flags[@]}" --no-pdf-header-footer --print-to-pdf="$work/seite.pdf" "file://$page" >>"$work/chromium.log" 2>&1
pages=$(pdfinfo "$work/seite.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')
size=$(pdfinfo "$work/seite.pdf" 2>/dev/null | sed -n 's/^Page size: *//p')
[ -n "$pages" ] && [ "$pages" -ge 1 ] || problem "kein PDF gedruckt"
case $size in *"(A4)"*) ;; *) problem "PDF nicht A4: $size" ;; esac
pdftoppm -png -r 50 "$work/seite.pdf" "$work/druck" || problem "pdftoppm"
if [ -n "${KV_KEEP_PICTURES:-}" ]; then cp "$work/seite.png" "$work"/druck-*.png "$KV_KEEP_PICTURES/"; fi

# The real spreadsheet.
csv="$work/klasse.csv"
"$tool" result check --csv --grade "$work/schluessel.txt" "$work/Klasse 8" >"$csv"
[ $? -eq 2 ] || problem "result check: Rückgabewert nicht 2 trotz abgelehnter Dateien"
mkdir -p "$work/calc"
(cd "$work/calc" && soffice --headless -env:UserInstallation="file://$work/lo" \
  --infilter="CSV:59,34,76,1,,1031" --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,true' \
  --outdir "$work/calc" "$csv" >"$work/soffice.log" 2>&1) || problem "LibreOffice: $(cat "$work/soffice.log")"
back="$work/calc/klasse.csv"
[ -s "$back" ] || problem "LibreOffice schrieb nichts: $(cat "$work/soffice.log")"
expected=$(python3 -c '
import csv, sys
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8"), delimiter=";"))
print(sum(int(r[5]) for r in rows[1:] if r[5]))' "$csv")
# Column 9 is "Anschläge (Zahl)": unquoted in Calc's output means a number.
got=$(python3 - "$back" <<'PY'
import sys
# Calc quotes every text cell (the last filter option): an unquoted cell is a number.
def fields(line):
    out, cell, quoted, inside, i = [], "", False, False, 0
    while i < len(line):
        c = line[i]
        if inside:
            if c == '"' and i + 1 < len(line) and line[i + 1] == '"':
                cell += '"'; i += 1
            elif c == '"':
                inside = False
            else:
                cell += c
        elif c == '"':
            inside, quoted = True, True
        elif c == ',':
            out.append((cell, quoted)); cell, quoted = "", False
        else:
            cell += c
        i += 1
    out.append((cell, quoted))
    return out
lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
total, text = 0, 0
for line in lines[1:]:
    row = fields(line)
    cell, quoted = row[8] if len(row) > 8 else ("", False)
    if cell == "":
        continue
    if quoted:
        text += 1
    else:
        total += int(cell)
print(total, text)
PY
)
[ "$got" = "$expected 0" ] || problem "Calc: Summe der Anschläge \"$got\", erwartet \"$expected 0\""
grep -q '0\.[0-9][0-9]*' "$back" || problem "Calc las das Fehlerprozent nicht als Zahl"
grep -q 'HYPERLINK' "$back" || problem "die Formel eines Namens wurde ausgeführt"
grep -q '"klick"' "$back" && ! grep -q 'HYPERLINK' "$back" && problem "HYPERLINK wurde ausgewertet"

if [ $fail -eq 0 ]; then echo "Klassenübersicht in Chromium und CSV in LibreOffice Calc: in Ordnung"; fi
exit $fail
