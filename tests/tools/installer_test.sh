#!/usr/bin/env bash
# Installs the setup program silently into a throwaway copy of the Wine
# prefix, checks files and registry, opens a .kvw file through the
# association, uninstalls silently and checks that nothing is left behind.
# The program installed must be PROGRAM.exe, the build for the prefix's
# Windows: the 64-bit one in the 64-bit prefix, the 32-bit one in a 32-bit
# prefix (BITS 32).
# Usage: installer_test.sh SETUP.exe SHELL_OPEN_PROBE.exe PROGRAM.exe [BITS]
set -uo pipefail
setup=$1
probe=$2
program=$3
bits=${4:-64}
top=$(cd "$(dirname "$0")/../.." && pwd)

[ -f "$setup" ] || { echo "FEHLER: Setup-Programm fehlt: $setup"; exit 1; }
[ -f "$probe" ] || { echo "FEHLER: Hilfsprogramm fehlt: $probe"; exit 1; }
[ -f "$program" ] || { echo "FEHLER: Programm fehlt: $program"; exit 1; }

source "$top/tests/tools/installer_common.sh"

instdir="$drive_c/Program Files/Klavento 7"
startmenu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Klavento 7"
app_paths='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\KVWIN7.EXE'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Klavento 7'

expect_value() {
  local key=$1 name=$2 want=$3 got
  got=$(reg_value "$key" "$name") || { fail "Registry: $key [${name:-Standard}] fehlt"; return; }
  if [ "$got" = "$want" ]; then ok "$key [${name:-Standard}] = $got"
  else fail "$key [${name:-Standard}] = '$got', erwartet '$want'"; fi
}

before=$(registry_traces)

echo "-- Installieren (still)"
wine "$setup" /S
rc=$?
wineserver -w
[ $rc -eq 0 ] && ok "Setup endete mit 0" || fail "Setup endete mit $rc"

for f in klavento.exe kvtool.exe Deinstallieren.exe Handbuch/Benutzerhandbuch.html \
         Richtlinien/klavento.admx Richtlinien/de-DE/klavento.adml; do
  [ -f "$instdir/$f" ] && ok "Datei $f" || fail "Datei $f fehlt in $instdir"
done
# Every picture the handbook page shows is installed beside it.
pictures=$(grep -o 'src="bilder/[^"]*"' "$instdir/Handbuch/Benutzerhandbuch.html" 2>/dev/null | sed 's/^src="//; s/"$//')
[ -n "$pictures" ] && ok "Handbuch zeigt Bilder" || fail "Handbuch ohne Bilder"
for p in $pictures; do
  [ -f "$instdir/Handbuch/$p" ] || fail "Handbuch-Bild $p fehlt"
done
cmp -s "$instdir/klavento.exe" "$program" &&
  ok "klavento.exe ist das $bits-Bit-Programm" || fail "klavento.exe ist nicht $program"
cmp -s "$instdir/kvtool.exe" "$(dirname "$program")/kvtool.exe" &&
  ok "kvtool.exe ist das $bits-Bit-Programm" || fail "kvtool.exe ist nicht das $bits-Bit-Programm"
# Installed as shipped: without debug sections (their symbols stay beside
# the build), importing only what Windows XP exports, and the program loading
# printing, file dialogs, GDI+ and the shell only on first use.
for f in klavento.exe kvtool.exe; do
  if x86_64-w64-mingw32-objdump -h "$instdir/$f" | grep -q ' \.debug_'; then
    fail "$f trägt Debug-Abschnitte"
  else
    ok "$f ist gestrippt"
  fi
done
python3 "$top/tests/tools/check_imports.py" "$top/tests/data" "$instdir/kvtool.exe" &&
  python3 "$top/tests/tools/check_imports.py" "$top/tests/data" --delay-list "$top/platform/win/delay_loaded.txt" \
    "$instdir/klavento.exe" &&
  ok "Importe wie unter Windows XP vorhanden" || fail "Importe, die Windows XP nicht hat"
for f in "Klavento 7.lnk" "Benutzerhandbuch.lnk"; do
  [ -f "$startmenu/$f" ] && ok "Startmenü: $f" || fail "Startmenü-Eintrag $f fehlt"
done

expect_value "$app_paths" "" 'C:\Program Files\Klavento 7\klavento.exe'
expect_value "$app_paths" Path 'C:\Program Files\Klavento 7\'
expect_value 'HKCR\.kvw' "" 'Klavento.Uebung'
expect_value 'HKCR\Klavento.Uebung\shell\open\command' "" '"C:\Program Files\Klavento 7\klavento.exe" "%1"'
expect_value 'HKCR\.kvk' "" 'Klavento.Klassenarbeit'
expect_value 'HKCR\Klavento.Klassenarbeit\shell\open\command' "" '"C:\Program Files\Klavento 7\klavento.exe" "%1"'
expect_value "$uninstall_key" DisplayName 'Klavento 7'
expect_value "$uninstall_key" DisplayVersion '7.0.0'
expect_value "$uninstall_key" Publisher 'Klavento-Projekt'
expect_value "$uninstall_key" UninstallString '"C:\Program Files\Klavento 7\Deinstallieren.exe"'

echo "-- .kvw-Datei über die Verknüpfung öffnen"
mkdir -p "$drive_c/Klavento Test"
cp "$top/tests/fuzz/result_seeds/kurz.kvw" "$drive_c/Klavento Test/Übung eins.kvw"
if wine "$probe" 'C:\Klavento Test\Übung eins.kvw' 'C:\Program Files\Klavento 7\klavento.exe'; then
  ok "Verknüpfung startet klavento.exe mit der Dateiansicht"
else
  fail "Öffnen über die Verknüpfung"
fi
wineserver -w

echo "-- Deinstallieren (still)"
wine "$instdir/Deinstallieren.exe" /S
rc=$?
# The uninstaller continues from a copy in TEMP; wait for it too.
wineserver -w
[ $rc -eq 0 ] && ok "Deinstallation endete mit 0" || fail "Deinstallation endete mit $rc"
[ ! -e "$instdir" ] && ok "Programmordner entfernt" || fail "Reste in $instdir: $(ls -A "$instdir" | tr '\n' ' ')"
[ ! -e "$startmenu" ] && ok "Startmenü-Ordner entfernt" || fail "Startmenü-Ordner noch da"
for key in "$app_paths" "$uninstall_key" 'HKCR\.kvw' 'HKCR\Klavento.Uebung' 'HKCR\.kvk' 'HKCR\Klavento.Klassenarbeit'; do
  if wine reg query "$key" "${view[@]}" >/dev/null 2>&1; then fail "Schlüssel $key noch da"; else ok "Schlüssel $key entfernt"; fi
done
expect_registry_as "$before"

echo "-- Eigener Ordner, dann erneut installieren: der Ordner bleibt"
# Without a space: Wine would quote the argument, and setup takes /D= unquoted.
other="$drive_c/Schule/Klavento"
wine "$setup" /S '/D=C:\Schule\Klavento'
wineserver -w
[ -f "$other/klavento.exe" ] && ok "installiert in C:\Schule\Klavento" || fail "nicht in $other installiert"
rm -f "$other/kvtool.exe"
wine "$setup" /S
wineserver -w
[ -f "$other/kvtool.exe" ] && ok "zweite Installation in denselben Ordner" || fail "zweite Installation nicht in $other"
[ ! -e "$instdir" ] && ok "kein zweiter Programmordner" || fail "zweiter Programmordner $instdir"
expect_value "$uninstall_key" InstallLocation 'C:\Schule\Klavento'
wine "$other/Deinstallieren.exe" /S
wineserver -w
[ ! -e "$other" ] && ok "eigener Ordner entfernt" || fail "Reste in $other"

if [ $failures -ne 0 ]; then echo "Installer-Test: $failures Fehler"; exit 1; fi
echo "Installer-Test bestanden"
