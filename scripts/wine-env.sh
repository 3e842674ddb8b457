# Sourced by the run and test scripts: a private Wine prefix in the build tree,
# German locale and keyboard, font replacements, and (when asked) a private
# Xvfb display. Everything started here is ended by pid on exit.

KV_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# KV_WINEPREFIX lets parallel runs use prefixes of their own.
export WINEPREFIX="${KV_WINEPREFIX:-$KV_TOP/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=de_DE.UTF-8
export LC_ALL=de_DE.UTF-8
export LC_NUMERIC=C

KV_XVFB_PID=""

kv_cleanup() {
  local rc=$?
  if [ -d "$WINEPREFIX" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$KV_XVFB_PID" ]; then
    kill "$KV_XVFB_PID" 2>/dev/null || true
    wait "$KV_XVFB_PID" 2>/dev/null || true
    KV_XVFB_PID=""
  fi
  return $rc
}

# Starts Xvfb on the first free display number and exports DISPLAY.
kv_start_xvfb() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  KV_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  if [ ! -e "/tmp/.X11-unix/X$n" ]; then
    echo "Xvfb konnte nicht gestartet werden." >&2
    return 1
  fi
  export DISPLAY=":$n"
}

# True when the prefix's saved user registry holds our settings. Read after
# the server has ended, when the registry is on disk.
kv_prefix_has_settings() {
  grep -q '^"Arial"="Liberation Sans"' "$WINEPREFIX/user.reg" 2>/dev/null &&
    grep -q '^"Courier New"="Liberation Mono"' "$WINEPREFIX/user.reg" 2>/dev/null &&
    grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null &&
    grep -q '^\[Software\\\\Classes\\\\.html\]' "$WINEPREFIX/system.reg" 2>/dev/null
}

# Wine draws the caption buttons and the arrows of lists and spin buttons with
# the Marlett symbol font; without it they show as letters ("0 1 r"). Its copy
# comes with fonts-wine, whose other fonts (bitmap "MS Sans Serif", Tahoma)
# would change the look and metrics of every dialog, so only Marlett is taken
# from the package and put into the prefix.
kv_install_marlett() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" work deb font
  work=$(mktemp -d)
  # Callers may run with set -e: nothing here may end them.
  if ! (cd "$work" && apt-get download fonts-wine >/dev/null 2>&1); then
    if [ "$(id -u)" -eq 0 ]; then apt-get update -q >/dev/null 2>&1 || true; fi
    (cd "$work" && apt-get download fonts-wine >/dev/null 2>&1) || true
  fi
  deb=$(ls "$work"/fonts-wine_*.deb 2>/dev/null | head -n 1) || true
  if [ -n "$deb" ] && dpkg-deb -x "$deb" "$work/x" 2>/dev/null; then
    font=$(find "$work/x" -iname marlett.ttf | head -n 1) || true
    if [ -n "$font" ]; then
      mkdir -p "$fonts" && cp "$font" "$fonts/marlett.ttf" || true
    fi
  fi
  rm -rf "$work"
  if [ ! -f "$fonts/marlett.ttf" ]; then
    echo "Hinweis: Die Schrift Marlett (Paket fonts-wine) war nicht zu bekommen;" \
         "Fensterknöpfe zeigen unter Wine Buchstaben statt Symbolen." >&2
  fi
}

# Switches the following Wine commands to the 32-bit prefix: a 32-bit Windows,
# as many school computers have, on which only the 32-bit programs run.
kv_use_prefix32() {
  export WINEPREFIX="${KV_WINEPREFIX32:-$KV_TOP/build/wineprefix32}"
  export WINEARCH=win32
}

# What the prefix is made with: a 64-bit prefix made before Wine's 32-bit
# half was installed starts no program at all once it is there.
kv_prefix_maker() {
  echo "$WINEARCH wine32=$(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null || echo none)"
}

# Creates the prefix once and reuses it; the stamp names what it was made with.
kv_prepare_prefix() {
  # Bump the stamp's number when the prefix set-up changes, so it is redone.
  local stamp="$WINEPREFIX/.klavento-ready-5"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$(kv_prefix_maker)" ]; then return 0; fi
  echo "Richte das Wine-Präfix ein ($WINEPREFIX) …"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # wineboot leaves helpers behind; an import while their server shuts down
  # can be lost, so start from a quiet prefix.
  wineserver -w
  kv_install_marlett
  local reg="$WINEPREFIX/klavento-fonts.reg"
  cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Courier New"="Liberation Mono"

; Xvfb has no window manager: Wine draws captions and frames itself, so
; screenshots show them and windows behave alike with or without one.
[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

; A new prefix knows how to open web pages but not that a .html file is one:
; the program's Hilfe menu opens the user guide, a .html file, in the browser.
[HKEY_LOCAL_MACHINE\Software\Classes\.html]
@="htmlfile"
"Content Type"="text/html"
REG
  local try
  for try in 1 2 3; do
    wine regedit "$reg" >/dev/null 2>&1
    wineserver -w
    if kv_prefix_has_settings; then
      kv_prefix_maker >"$stamp"
      return 0
    fi
  done
  echo "Das Wine-Präfix $WINEPREFIX konnte nicht eingerichtet werden:" \
       "die Schriftersetzungen fehlen in der Registry." >&2
  return 1
}

# The learner's history outside the build tree and the prefix, so that a
# rebuild or a new prefix never loses it: the program takes its folder from
# KLAVENTO_LERNVERLAUF. Only the run command and the launcher call this; the
# tests keep their histories in their own prefix.
kv_use_user_history() {
  if [ -n "${KLAVENTO_LERNVERLAUF:-}" ]; then return 0; fi
  local folder="${XDG_DATA_HOME:-$HOME/.local/share}/klavento"
  mkdir -p "$folder"
  folder=$(cd "$folder" && pwd -P)
  export KLAVENTO_LERNVERLAUF="Z:${folder//\//\\}"
}
