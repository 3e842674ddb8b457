#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, and only what
# is missing. Safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  mingw-w64 wine wine64 xvfb xdotool x11-utils x11-apps imagemagick xclip
  fonts-liberation2 locales
  googletest libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  ghostscript
  libsqlite3-dev tcl dpkg-dev xz-utils
  nsis wixl msitools desktop-file-utils shared-mime-info python3-markdown
  chromium poppler-utils libreoffice-calc-nogui
  samba smbclient smbnetfs fuse3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The 32-bit programs run under Wine's 32-bit half, which comes from Debian's
# i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Füge die Architektur i386 hinzu (für 32-Bit-Wine)"
  as_root dpkg --add-architecture i386
fi
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  missing+=(wine32:i386)
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installiere fehlende Pakete: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # A mirror in the middle of a sync serves an index that does not match its
  # release file ("Mirror sync in progress?"); apt then goes on with the index
  # missing, and the i386 libraries that must match the amd64 ones cannot be
  # installed. Such a sync ends within minutes: wait and ask again.
  tries=0
  until as_root apt-get update -q && as_root apt-get install -y -q --no-install-recommends "${missing[@]}"; do
    tries=$((tries + 1))
    if [ $tries -ge 12 ]; then
      echo "Die Pakete ließen sich nicht installieren (Paketquellen nach 12 Versuchen noch uneinheitlich)." >&2
      exit 1
    fi
    echo "Paketquellen uneinheitlich oder nicht erreichbar; neuer Versuch in 30 s ($tries von 12) …"
    sleep 30
  done
fi

# Wine shows its common dialogs in German and reports the German keyboard
# layout only when the German locale exists. It is written as a folder of its
# own, not into the locale archive: the script that called this one looked up
# its own locale (C.UTF-8, say) in the archive when it started, and keeps that
# copy of the archive, so it would not find a locale added there and bash
# would warn when it sets LC_ALL. A folder is looked up afresh each time.
# locale.gen lists it as before, so the system's own locale-gen builds it too.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "Erzeuge die deutsche Locale de_DE.UTF-8"
  as_root sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  # Exit code 1 only reports warnings about the locale source; the check
  # below tells whether the locale is there.
  as_root localedef --no-archive -c -i de_DE -f UTF-8 de_DE.UTF-8 || true
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "Die deutsche Locale de_DE.UTF-8 ließ sich nicht erzeugen." >&2
    exit 1
  fi
fi
