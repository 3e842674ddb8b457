#!/usr/bin/env bash
# The Windows Installer package under Wine's msiexec, as an administrator's
# deployment runs it: silent installation, repair, upgrade from an older
# package, removal; and against the setup program, which must install the
# same files and keys and refuse while the package's installation is there
# (and the package while the setup program's is).
# VARIANT 64: the x64 package in a 64-bit prefix; 32: the x86 package in a
# 32-bit prefix; xp: the same with Wine reporting Windows XP. PROGRAM is the
# build the package carries.
# Usage: msi_test.sh PACKAGE.msi SETUP.exe SHELL_OPEN_PROBE.exe PROGRAM.exe VARIANT
set -uo pipefail
msi=$1
setup=$2
probe=$3
program=$4
variant=${5:-64}
top=$(cd "$(dirname "$0")/../.." && pwd)
tables="$top/tests/tools/msi_tables.py"

bits=32
arch=x86
if [ "$variant" = 64 ]; then bits=64; arch=x64; fi
wxs="$(dirname "$msi")/installer/klavento-$arch.wxs"

# Windows Installer's "fatal error"; Wine hands programs' exit codes to the
# shell modulo 256.
refused() { [ "$1" -eq 1603 ] || [ "$1" -eq $((1603 % 256)) ]; }

for f in "$msi" "$setup" "$probe" "$program" "$wxs"; do
  [ -f "$f" ] || { echo "FEHLER: fehlt: $f"; exit 1; }
done
source "$top/tests/tools/installer_common.sh"

echo "-- Tabellen des Pakets (msiinfo)"
version=$(python3 "$tables" "$msi" property ProductVersion)
suminfo=$(msiinfo suminfo "$msi")
# Windows XP SP3 brings Windows Installer 3.1: the package may ask no more.
schema=$(printf '%s\n' "$suminfo" | sed -n 's/^Version: \([0-9]*\).*/\1/p')
if [ -n "$schema" ] && [ "$schema" -le 301 ]; then ok "Schema $schema (Windows Installer 3.1 genügt)"
else fail "Schema ${schema:-?} verlangt mehr als Windows Installer 3.1"; fi
platform=$(printf '%s\n' "$suminfo" | sed -n 's/^Template: \([^;]*\);.*/\1/p')
want_platform=Intel
[ "$arch" = x64 ] && want_platform=x64
[ "$platform" = "$want_platform" ] && ok "Plattform $platform" || fail "Plattform '$platform', erwartet $want_platform"
# Every table the package holds must be one Windows Installer 3.1 knows.
known=" ActionText AdminExecuteSequence AdminUISequence AdvtExecuteSequence AdvtUISequence AppId AppSearch
 BBControl Billboard Binary BindImage CCPSearch CheckBox Class ComboBox CompLocator Complus Component
 Condition Control ControlCondition ControlEvent CreateFolder CustomAction Dialog Directory DrLocator
 DuplicateFile Environment Error EventMapping Extension Feature FeatureComponents File FileSFPCatalog
 Font Icon IniFile IniLocator InstallExecuteSequence InstallUISequence IsolatedComponent LaunchCondition
 ListBox ListView LockPermissions Media MIME MoveFile MsiAssembly MsiAssemblyName MsiDigitalCertificate
 MsiDigitalSignature MsiFileHash MsiPatchCertificate MsiPatchHeaders MsiPatchMetadata MsiPatchOldAssemblyFile
 MsiPatchOldAssemblyName MsiPatchSequence ODBCAttribute ODBCDataSource ODBCDriver ODBCSourceAttribute
 ODBCTranslator Patch PatchPackage ProgId Property PublishComponent RadioButton Registry RegLocator
 RemoveFile RemoveIniFile RemoveRegistry ReserveCost SelfReg ServiceControl ServiceInstall SFPCatalog
 Shortcut Signature TextStyle TypeLib UIText Upgrade Verb _Columns _Storages _Streams _Tables
 _Validation _SummaryInformation _ForceCodepage "
known=" $(echo $known) "
newer=""
for t in $(python3 "$tables" "$msi" tables); do
  case "$known" in *" $t "*) ;; *) newer="$newer $t" ;; esac
done
[ -z "$newer" ] && ok "nur Tabellen von Windows Installer 3.1" || fail "Tabellen neuerer Fassungen:$newer"
# The package's refusals, each with its German message: Wine's msiexec
# writes launch conditions' messages neither to the screen with /qn nor to
# the log, so they are read here.
conditions=$(msiinfo export "$msi" LaunchCondition)
for m in "Eine neuere Fassung von Klavento 7 ist bereits installiert." \
         "Klavento 7 ist auf diesem PC bereits mit dem Einrichtungsprogramm installiert." \
         "Dieses Paket ist für 32-Bit-Windows."; do
  if [ "$arch" = x64 ] && [ "$m" = "Dieses Paket ist für 32-Bit-Windows." ]; then continue; fi
  case "$conditions" in *"$m"*) ok "Meldung „$m …“" ;; *) fail "Meldung fehlt: $m" ;; esac
done
python3 "$tables" "$msi" files >"$work/msi-files" || fail "Dateitabelle nicht lesbar"
python3 "$tables" "$msi" shortcuts >"$work/msi-links"
python3 "$tables" "$msi" registry >"$work/msi-registry"

if [ "$variant" = xp ]; then
  wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d winxp /f >/dev/null 2>&1 </dev/null
  wineserver -w
  ver=$(wine cmd /c ver 2>/dev/null </dev/null | tr -d '\r' | grep -Eo '[0-9]+\.[0-9]+\.[0-9]+' | head -n 1)
  [[ $ver =~ ^5\.1\. ]] && ok "Wine meldet Windows XP ($ver)" || fail "Wine meldet nicht Windows XP (${ver:-keine Version})"
fi
wineserver -w

instdir="$drive_c/Program Files/Klavento 7"
windir='C:\Program Files\Klavento 7\'
setup_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Klavento 7"
uninstall_root='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
winpath() { winepath -w "$1" 2>/dev/null; }
msi_win=$(winpath "$msi")

# msiexec with a verbose log, which names the properties the package found.
msiexec() {
  local log=$1
  shift
  wine msiexec "$@" /qn /l*v "$(winpath "$log")" </dev/null
  local rc=$?
  # The installer service finishes after msiexec returns.
  wineserver -w
  return $rc
}

# The Add/Remove Programs entries named Klavento 7, as "KEY VERSION" lines.
arp_entries() {
  wine reg query "$uninstall_root" "${view[@]}" 2>/dev/null | tr -d '\r' | grep -E '^HKEY' |
    while read -r key; do
      name=$(reg_value "$key" DisplayName) || continue
      [ "$name" = "Klavento 7" ] && echo "${key##*\\} $(reg_value "$key" DisplayVersion)"
    done
}

installed_files() {
  (cd "$1" 2>/dev/null && find . -type f | sed 's|^\./||; s|/|\\|g' | grep -v '^Deinstallieren\.exe$' |
    LC_ALL=C sort -f)
}

installed_registry() {
  python3 "$tables" installed "$WINEPREFIX/system.reg" "$1"
}

before=$(registry_traces)

echo "-- Das Einrichtungsprogramm installiert: was es hinlegt, ist der Maßstab"
wine "$setup" /S </dev/null
wineserver -w
installed_files "$instdir" >"$work/setup-files"
(cd "$instdir" && find . -type f ! -name Deinstallieren.exe -exec md5sum {} + | sort -k2) >"$work/setup-sums"
ls "$setup_menu" 2>/dev/null | grep -v ' deinstallieren\.lnk$' | sort >"$work/setup-links"
installed_registry "$windir" >"$work/setup-registry"
[ -s "$work/setup-files" ] && ok "Einrichtungsprogramm installierte $(wc -l <"$work/setup-files") Dateien" ||
  fail "Einrichtungsprogramm installierte nichts"
if diff -u "$work/setup-files" <(LC_ALL=C sort -f "$work/msi-files") >"$work/diff"; then
  ok "Dateitabelle des Pakets = Dateien des Einrichtungsprogramms"
else
  fail "Dateien weichen ab (- nur Einrichtungsprogramm, + nur Paket):"
  grep -E '^[-+][^-+]' "$work/diff" | head -n 20
fi
diff -u "$work/setup-links" "$work/msi-links" >"$work/diff" &&
  ok "Startmenü-Einträge gleich: $(tr '\n' ' ' <"$work/msi-links")" ||
  { fail "Startmenü-Einträge weichen ab:"; cat "$work/diff"; }
diff -u "$work/setup-registry" "$work/msi-registry" >"$work/diff" &&
  ok "Registrierungstabelle des Pakets = Einträge des Einrichtungsprogramms ($(wc -l <"$work/msi-registry") Werte)" ||
  { fail "Registrierungseinträge weichen ab (- Einrichtungsprogramm, + Paket):"; grep -E '^[-+][^-+]' "$work/diff" | head -n 20; }

echo "-- Das Paket weigert sich neben der Installation des Einrichtungsprogramms"
msiexec "$work/refused.log" /i "$msi_win"
rc=$?
refused $rc && ok "msiexec weigerte sich (1603)" || fail "msiexec endete mit $rc statt 1603"
grep -aq '^Property(S): KV_SETUP_INSTALLED = ' "$work/refused.log" &&
  ok "die Installation des Einrichtungsprogramms erkannt" || fail "Installation des Einrichtungsprogramms nicht erkannt"
[ -z "$(arp_entries | grep '{')" ] && ok "kein Paket eingetragen" || fail "Paket trotz Weigerung eingetragen"
cmp -s "$instdir/klavento.exe" "$program" && ok "Installation des Einrichtungsprogramms unberührt" ||
  fail "Installation des Einrichtungsprogramms verändert"
wine "$instdir/Deinstallieren.exe" /S </dev/null
wineserver -w
[ ! -e "$instdir" ] && ok "Einrichtungsprogramm deinstalliert" || fail "Reste des Einrichtungsprogramms"

if [ "$arch" = x64 ] && [ -f "$(dirname "$msi")/klavento-$version-x86.msi" ]; then
  echo "-- Das 32-Bit-Paket weigert sich auf 64-Bit-Windows"
  msiexec "$work/wrong.log" /i "$(winpath "$(dirname "$msi")/klavento-$version-x86.msi")"
  rc=$?
  refused $rc && ok "msiexec weigerte sich (1603)" || fail "32-Bit-Paket endete mit $rc"
  [ ! -e "$drive_c/Program Files (x86)/Klavento 7" ] && [ ! -e "$instdir" ] &&
    ok "nichts installiert" || fail "32-Bit-Paket installierte doch"
fi

echo "-- Installieren (msiexec /i … /qn)"
msiexec "$work/install.log" /i "$msi_win"
rc=$?
[ $rc -eq 0 ] && ok "msiexec endete mit 0" || fail "msiexec endete mit $rc"
if [ "$variant" = xp ]; then
  grep -aq '^Property(S): VersionNT = 501' "$work/install.log" &&
    ok "Windows Installer lief als Windows XP (VersionNT 501)" || fail "Windows Installer sah kein Windows XP"
fi
diff -u "$work/setup-files" <(installed_files "$instdir") >"$work/diff" &&
  ok "dieselben Dateien wie das Einrichtungsprogramm" ||
  { fail "installierte Dateien weichen ab:"; grep -E '^[-+][^-+]' "$work/diff" | head -n 20; }
(cd "$instdir" && md5sum -c --quiet "$work/setup-sums") >/dev/null 2>&1 &&
  ok "jede Datei gleicht der des Einrichtungsprogramms" || fail "Dateiinhalte weichen ab"
cmp -s "$instdir/klavento.exe" "$program" && ok "klavento.exe ist das $bits-Bit-Programm" ||
  fail "klavento.exe ist nicht $program"
diff -u "$work/setup-registry" <(installed_registry "$windir") >"$work/diff" &&
  ok "dieselben Registrierungseinträge wie das Einrichtungsprogramm" ||
  { fail "Registrierung weicht ab (- Einrichtungsprogramm, + Paket):"; grep -E '^[-+][^-+]' "$work/diff" | head -n 20; }
# Wine's Windows Installer puts per-machine shortcuts into the user's Start
# menu (Windows uses the one for all users): the folder is the one the
# installation named.
menu_win=$(tr -d '\r' <"$work/install.log" | sed -n 's/^Property(S): ProgramMenuFolder = \(.*\)$/\1/p' | tail -n 1)
menu="$(winepath -u "${menu_win}Klavento 7" 2>/dev/null)"
diff -u "$work/setup-links" <(ls "$menu" 2>/dev/null | sort) >/dev/null &&
  ok "Startmenü: $(ls "$menu" | tr '\n' ' ')" || fail "Startmenü-Einträge fehlen in $menu"
entries=$(arp_entries)
product=$(python3 "$tables" "$msi" property ProductCode)
[ "$entries" = "$product $version" ] && ok "Programme und Features: Klavento 7 $version" ||
  fail "Programme und Features: '$entries', erwartet '$product $version'"
publisher=$(reg_value "$uninstall_root\\$product" Publisher)
[ "$publisher" = Klavento-Projekt ] && ok "Herausgeber $publisher" || fail "Herausgeber '$publisher'"
for f in klavento.exe kvtool.exe; do
  if x86_64-w64-mingw32-objdump -h "$instdir/$f" | grep -q ' \.debug_'; then fail "$f trägt Debug-Abschnitte"
  else ok "$f ist gestrippt"; fi
done
python3 "$top/tests/tools/check_imports.py" "$top/tests/data" "$instdir/kvtool.exe" &&
  python3 "$top/tests/tools/check_imports.py" "$top/tests/data" --delay-list "$top/platform/win/delay_loaded.txt" \
    "$instdir/klavento.exe" &&
  ok "Importe wie unter Windows XP vorhanden" || fail "Importe, die Windows XP nicht hat"

echo "-- Starten aus dem Startmenü, .kvw über die Verknüpfung öffnen"
if wine "$probe" "$(winpath "$menu/Klavento 7.lnk")" "${windir}klavento.exe" </dev/null; then
  ok "die Verknüpfung startet klavento.exe"
else
  fail "Start aus der Verknüpfung"
fi
mkdir -p "$drive_c/Klavento Test"
cp "$top/tests/fuzz/result_seeds/kurz.kvw" "$drive_c/Klavento Test/Übung eins.kvw"
if wine "$probe" 'C:\Klavento Test\Übung eins.kvw' "${windir}klavento.exe" </dev/null; then
  ok ".kvw öffnet sich in klavento.exe"
else
  fail "Öffnen über die Verknüpfung"
fi
wineserver -w

echo "-- Das Einrichtungsprogramm weigert sich neben dem Paket"
wine "$setup" /S </dev/null
rc=$?
wineserver -w
[ $rc -ne 0 ] && ok "Einrichtungsprogramm endete mit $rc" || fail "Einrichtungsprogramm endete mit 0"
[ ! -e "$instdir/Deinstallieren.exe" ] && ! reg_value "$uninstall_root\\Klavento 7" DisplayName >/dev/null &&
  ok "es installierte nichts" || fail "es installierte über das Paket"

echo "-- Dasselbe Paket noch einmal: Reparatur"
rm -f "$instdir/klavento.exe" "$instdir/Handbuch/bilder/tastatur.png"
wine reg delete 'HKLM\Software\Classes\.kvw' /f "${view[@]}" >/dev/null 2>&1
msiexec "$work/repair.log" /i "$msi_win"
rc=$?
[ $rc -eq 0 ] && ok "msiexec endete mit 0" || fail "msiexec endete mit $rc"
cmp -s "$instdir/klavento.exe" "$program" && [ -f "$instdir/Handbuch/bilder/tastatur.png" ] &&
  ok "gelöschte Dateien wieder da" || fail "Dateien nicht repariert"
# Wine's Windows Installer reinstalls on its own here; Windows does only when
# told, which the package does.
grep -aq '^Property(S): REINSTALL = ALL' "$work/repair.log" &&
  ok "das Paket verlangt die Reparatur (REINSTALL=ALL)" || fail "das Paket setzt REINSTALL nicht"
[ "$(reg_value 'HKLM\Software\Classes\.kvw' '')" = Klavento.Uebung ] &&
  ok ".kvw wieder eingetragen" || fail ".kvw nicht repariert"
[ "$(arp_entries)" = "$product $version" ] && ok "eine Installation" || fail "Einträge: $(arp_entries)"

echo "-- Ein älteres Paket weigert sich über diesem"
IFS=. read -r major minor patch <<<"$version"
older="$((major - 1)).9.9"
if ! (cd "$work" && wixl -a "$arch" -D Version="$older" -o "$work/older.msi" "$wxs" 2>"$work/wixl.log" &&
      python3 "$top/scripts/installer_payload.py" "$top/installer/payload.txt" finish "$work/older.msi" --arch "$arch"); then
  fail "älteres Paket nicht gebaut"; cat "$work/wixl.log"
fi
msiexec "$work/downgrade.log" /i "$(winpath "$work/older.msi")"
rc=$?
refused $rc && [ "$(arp_entries)" = "$product $version" ] &&
  ok "das ältere Paket weigert sich über dem neueren" || fail "Rückstufung: msiexec $rc, '$(arp_entries)'"
grep -aq '^Property(S): KV_NEWER_FOUND = ' "$work/downgrade.log" ||
  fail "die neuere Fassung wurde nicht erkannt"

echo "-- Entfernen (msiexec /x … /qn); was Lernende schrieben, bleibt"
user=${USER:-$(id -un)}
userdata="$drive_c/users/$user/AppData/Roaming/Klavento"
[ -d "$drive_c/users/$user/AppData" ] || userdata="$drive_c/users/$user/Application Data/Klavento"
mkdir -p "$userdata" "$instdir/Eigene"
printf 'Lernverlauf\n' >"$userdata/lernverlauf.db"
cp "$top/tests/fuzz/result_seeds/kurz.kvw" "$instdir/Eigene/meine.kvw"
msiexec "$work/remove.log" /x "$msi_win"
rc=$?
[ $rc -eq 0 ] && ok "msiexec endete mit 0" || fail "msiexec endete mit $rc"
left=$(cd "$instdir" 2>/dev/null && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$left" = "Eigene/meine.kvw " ] && ok "nur die eigene Datei bleibt im Programmordner" ||
  fail "im Programmordner: '$left'"
rm -rf "$instdir/Eigene"
rmdir "$instdir" 2>/dev/null
[ -f "$userdata/lernverlauf.db" ] && ok "Lernverlauf bleibt" || fail "Lernverlauf entfernt"
rm -rf "$userdata"
[ ! -e "$menu" ] && ok "Startmenü-Ordner entfernt" || fail "Startmenü-Ordner noch da"
[ -z "$(arp_entries)" ] && ok "kein Eintrag in Programme und Features" || fail "Eintrag bleibt: $(arp_entries)"
# Windows Installer keeps no record of a removed product; the program's keys
# must be gone as before the first installation.
expect_registry_as "$before"

# Wine's Windows Installer forgets the upgrade code of the new product when
# it removes the old one, so nothing after an upgrade may depend on it (on
# Windows it stays): the refusals are checked above, before any upgrade.
echo "-- Aktualisieren: ein älteres Paket, in eigenem Ordner, dann dieses"
other="$drive_c/Schule/Klavento"
msiexec "$work/older.log" /i "$(winpath "$work/older.msi")" 'INSTALLDIR=C:\Schule\Klavento'
rc=$?
[ $rc -eq 0 ] && [ -f "$other/klavento.exe" ] && ok "Fassung $older in C:\\Schule\\Klavento" ||
  fail "älteres Paket: msiexec $rc"
old_entry=$(arp_entries)
echo "Schulnotiz" >"$other/Notiz.txt"
msiexec "$work/upgrade.log" /i "$msi_win"
rc=$?
[ $rc -eq 0 ] && ok "msiexec endete mit 0" || fail "Aktualisieren: msiexec $rc"
[ "$(arp_entries)" = "$product $version" ] && ok "eine Installation, Fassung $version (vorher: $old_entry)" ||
  fail "nach dem Aktualisieren: '$(arp_entries)'"
cmp -s "$other/klavento.exe" "$program" && ok "im selben Ordner aktualisiert" || fail "nicht in $other aktualisiert"
[ ! -e "$instdir" ] && ok "kein zweiter Programmordner" || fail "zweiter Programmordner $instdir"
[ -f "$other/Notiz.txt" ] && ok "fremde Datei im Ordner bleibt" || fail "Notiz.txt verschwunden"

msiexec "$work/remove2.log" /x "$msi_win"
rc=$?
left=$(cd "$other" 2>/dev/null && find . -type f | sed 's|^\./||' | tr '\n' ' ')
[ $rc -eq 0 ] && [ "$left" = "Notiz.txt " ] && [ -z "$(arp_entries)" ] && ok "wieder entfernt, bis auf Notiz.txt" ||
  fail "Entfernen nach dem Aktualisieren: msiexec $rc, übrig: $left"
rm -rf "$drive_c/Schule"

echo "-- Dieselbe Fassung neu gebaut: ersetzt die installierte"
(cd "$work" && wixl -a "$arch" -D Version="$version" -o "$work/rebuilt.msi" "$wxs" 2>"$work/wixl.log" &&
  python3 "$top/scripts/installer_payload.py" "$top/installer/payload.txt" finish "$work/rebuilt.msi" --arch "$arch") ||
  { fail "neu gebautes Paket fehlt"; cat "$work/wixl.log"; }
rebuilt=$(python3 "$tables" "$work/rebuilt.msi" property ProductCode)
msiexec "$work/again.log" /i "$msi_win"
msiexec "$work/rebuilt.log" /i "$(winpath "$work/rebuilt.msi")"
rc=$?
[ $rc -eq 0 ] && [ "$(arp_entries)" = "$rebuilt $version" ] && cmp -s "$instdir/klavento.exe" "$program" &&
  ok "eine Installation ($rebuilt)" || fail "neu gebaut: msiexec $rc, '$(arp_entries)'"
msiexec "$work/remove3.log" /x "$(winpath "$work/rebuilt.msi")"
rc=$?
[ $rc -eq 0 ] && [ ! -e "$instdir" ] && [ -z "$(arp_entries)" ] && ok "wieder ganz entfernt" ||
  fail "Entfernen: msiexec $rc, übrig: $(ls -A "$instdir" 2>/dev/null | tr '\n' ' ')"

if [ $failures -ne 0 ]; then echo "MSI-Test ($variant): $failures Fehler"; exit 1; fi
echo "MSI-Test ($variant) bestanden"
