#!/usr/bin/env bash
# Runs scripts/install-linux.sh into throwaway folders: staged with DESTDIR,
# and per user into a fake HOME with registration. Checks the launcher (with
# stand-ins for wine and winepath that record what they get), the desktop
# entry and the MIME type, and that --remove takes everything away again.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
installer=$top/scripts/install-linux.sh

failures=0
fail() { echo "FEHLER: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A build tree of its own, so the test does not depend on the Windows build.
build=$tmp/build
mkdir -p "$build"
echo 'kein echtes Programm' >"$build/klavento.exe"
export KV_BUILD_DIR=$build

check_tree() {
  local prefix=$1 launcher_path=$2
  local desktop=$prefix/share/applications/klavento.desktop
  local xml=$prefix/share/mime/packages/klavento.xml
  [ -x "$prefix/bin/klavento" ] && ok "Starter $prefix/bin/klavento" || fail "Starter fehlt in $prefix/bin"
  grep -qx 'kv_use_user_history' "$prefix/bin/klavento" && ok "Lernverlauf im Datenordner des Benutzers" ||
    fail "der Starter legt den Lernverlauf nicht in den Datenordner des Benutzers"
  [ -f "$desktop" ] && ok "Desktop-Eintrag" || { fail "klavento.desktop fehlt in $prefix"; return; }
  grep -qx 'MimeType=application/x-klavento-uebung;application/x-klavento-klassenarbeit;' "$desktop" && ok "MimeType" || fail "MimeType fehlt"
  grep -qx 'Name=Klavento 7' "$desktop" && ok "Name" || fail "Name fehlt"
  grep -qx "Exec=\"$launcher_path\" %f" "$desktop" && ok "Exec nennt $launcher_path" ||
    fail "Exec-Zeile: $(grep '^Exec=' "$desktop")"
  if command -v desktop-file-validate >/dev/null; then
    local out
    out=$(desktop-file-validate "$desktop" 2>&1)
    [ $? -eq 0 ] && [ -z "$out" ] && ok "desktop-file-validate" || fail "desktop-file-validate: $out"
  fi
  [ -f "$xml" ] && ok "MIME-Beschreibung" || { fail "klavento.xml fehlt"; return; }
  grep -q '<glob pattern="\*.kvw"/>' "$xml" && ok "Muster *.kvw" || fail "Muster *.kvw fehlt"
  grep -q '<glob pattern="\*.kvk"/>' "$xml" && ok "Muster *.kvk (Klassenarbeit)" || fail "Muster *.kvk fehlt"
  grep -q '<match type="string" offset="0" value="Klavento 7.0"/>' "$xml" && ok "Kennung am Dateianfang" ||
    fail "Kennung fehlt"
}

echo "-- gestaffelt (DESTDIR)"
if [ "$(id -u)" -eq 0 ]; then expected=/usr/local; else expected=$tmp/home/.local; fi
HOME=$tmp/home DESTDIR=$tmp/root "$installer" >/dev/null || fail "Installation mit DESTDIR"
check_tree "$tmp/root$expected" "$expected/bin/klavento"
[ ! -e "$tmp/root$expected/share/mime/mime.cache" ] && ok "gestaffelt nichts registriert" ||
  fail "mit DESTDIR wurde registriert"

echo "-- pro Benutzer (--user)"
home=$tmp/benutzer
user_env=(HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config")
env "${user_env[@]}" "$installer" --user >/dev/null || fail "Installation mit --user"
prefix=$home/.local
check_tree "$prefix" "$prefix/bin/klavento"
if command -v update-mime-database >/dev/null; then
  grep -q 'application/x-klavento-uebung:\*\.kvw' "$prefix/share/mime/globs2" 2>/dev/null &&
    ok "MIME-Datenbank kennt *.kvw" || fail "MIME-Datenbank ohne *.kvw"
  grep -q 'application/x-klavento-klassenarbeit:\*\.kvk' "$prefix/share/mime/globs2" 2>/dev/null &&
    ok "MIME-Datenbank kennt *.kvk" || fail "MIME-Datenbank ohne *.kvk"
  grep -aq 'Klavento 7.0' "$prefix/share/mime/magic" 2>/dev/null &&
    ok "MIME-Datenbank kennt die Kennung" || fail "MIME-Datenbank ohne Kennung"
fi
if command -v update-desktop-database >/dev/null; then
  grep -q 'application/x-klavento-uebung=klavento.desktop' "$prefix/share/applications/mimeinfo.cache" 2>/dev/null &&
    ok "Desktop-Datenbank verbindet .kvw mit Klavento" || fail "mimeinfo.cache ohne Klavento"
fi

echo "-- Starter mit Stellvertretern für wine und winepath"
stubs=$tmp/stubs
mkdir -p "$stubs"
cat >"$stubs/wine" <<'STUB'
#!/bin/sh
{ printf 'WINEPREFIX=%s\nLANG=%s\n' "$WINEPREFIX" "$LANG"; for a in "$@"; do printf 'ARG=%s\n' "$a"; done; } >"$KV_STUB_LOG"
STUB
cat >"$stubs/winepath" <<'STUB'
#!/bin/sh
[ "$1" = -w ] || exit 1
printf 'Z:%s\n' "$2" | tr / '\\'
STUB
chmod +x "$stubs/wine" "$stubs/winepath"
fake_prefix=$tmp/prefix
mkdir -p "$fake_prefix" && (source "$top/scripts/wine-env.sh" && kv_prefix_maker >"$fake_prefix/.klavento-ready-5")
mkdir -p "$tmp/Übungen"
cp "$top/tests/fuzz/result_seeds/kurz.kvw" "$tmp/Übungen/Lena eins.kvw"
log=$tmp/wine.log
(cd "$tmp/Übungen" && env "${user_env[@]}" PATH="$stubs:$PATH" DISPLAY=:99 KV_WINEPREFIX="$fake_prefix" \
  KV_STUB_LOG="$log" "$prefix/bin/klavento" "Lena eins.kvw" /x) || fail "Starter endete mit Fehler"
want_file=$(printf 'Z:%s' "$tmp/Übungen/Lena eins.kvw" | tr / '\\')
expected_log="WINEPREFIX=$fake_prefix
LANG=de_DE.UTF-8
ARG=$build/klavento.exe
ARG=$want_file
ARG=/x"
if [ "$(cat "$log" 2>/dev/null)" = "$expected_log" ]; then ok "Starter übergibt die Datei als Windows-Pfad"
else fail "Starter-Aufruf:"; diff <(echo "$expected_log") "$log"; fi
out=$(env "${user_env[@]}" PATH="$stubs:$PATH" KV_STUB_LOG="$log" DISPLAY= "$prefix/bin/klavento" 2>&1)
[ $? -ne 0 ] && [[ $out == *DISPLAY* ]] && ok "ohne Bildschirm eine Meldung" || fail "ohne DISPLAY: $out"

echo "-- Entfernen"
env "${user_env[@]}" "$installer" --user --remove >/dev/null || fail "--remove"
left=$(find "$prefix" -type f \( -name 'klavento*' \) 2>/dev/null)
[ -z "$left" ] && ok "alle Dateien entfernt" || fail "übrig: $left"
if command -v update-mime-database >/dev/null; then
  ! grep -q 'kvw' "$prefix/share/mime/globs2" 2>/dev/null && ok "MIME-Datenbank ohne *.kvw" ||
    fail "MIME-Datenbank kennt *.kvw noch"
fi

if [ $failures -ne 0 ]; then echo "Linux-Installationstest: $failures Fehler"; exit 1; fi
echo "Linux-Installationstest bestanden"
