#!/usr/bin/env bash
# Installs a launcher "klavento" that starts the built klavento.exe under
# Wine with the project's prefix, a desktop entry and the MIME type for
# .kvw files. As root into /usr/local, otherwise (or with --user) into
# ~/.local. DESTDIR stages the files without registering them.
#   scripts/install-linux.sh [--user] [--remove]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$top/build/windows}
mime_type=application/x-klavento-uebung
test_mime_type=application/x-klavento-klassenarbeit

user=0
remove=0
for arg in "$@"; do
  case $arg in
    --user) user=1 ;;
    --remove) remove=1 ;;
    *) echo "Unbekannte Option: $arg (erlaubt: --user, --remove)" >&2; exit 2 ;;
  esac
done

if [ -z "${PREFIX:-}" ]; then
  if [ "$(id -u)" -eq 0 ] && [ $user -eq 0 ]; then PREFIX=/usr/local; else PREFIX=$HOME/.local; fi
fi
destdir=${DESTDIR:-}
bin_dir=$PREFIX/bin
apps_dir=$PREFIX/share/applications
mime_dir=$PREFIX/share/mime
icon_dir=$PREFIX/share/icons/hicolor/48x48/apps
launcher=$bin_dir/klavento

# The caches only make sense for the real tree, not for a staged one.
register() {
  [ -z "$destdir" ] || return 0
  if command -v update-mime-database >/dev/null; then update-mime-database "$mime_dir" >/dev/null 2>&1 || true; fi
  if command -v update-desktop-database >/dev/null; then update-desktop-database "$apps_dir" >/dev/null 2>&1 || true; fi
  if command -v gtk-update-icon-cache >/dev/null && [ -f "$PREFIX/share/icons/hicolor/index.theme" ]; then
    gtk-update-icon-cache -q "$PREFIX/share/icons/hicolor" 2>/dev/null || true
  fi
}

if [ $remove -eq 1 ]; then
  rm -f "$destdir$launcher" "$destdir$apps_dir/klavento.desktop" \
        "$destdir$mime_dir/packages/klavento.xml" "$destdir$icon_dir/klavento.png"
  register
  echo "Klavento-Starter aus $PREFIX entfernt."
  exit 0
fi

# The desktop entry's Exec line quotes the path; these characters would need
# escaping there, and no sensible install path has them.
case $launcher$top$build in
  *'"'* | *'`'* | *'$'* | *'\'*) echo "Pfad mit \", \`, \$ oder \\ wird nicht unterstützt: $launcher" >&2; exit 1 ;;
esac

mkdir -p "$destdir$bin_dir" "$destdir$apps_dir" "$destdir$mime_dir/packages"

{
  echo '#!/usr/bin/env bash'
  echo '# Starts Klavento 7 under Wine; written by scripts/install-linux.sh.'
  echo 'set -euo pipefail'
  printf 'kv_top=%q\n' "$top"
  printf 'exe=%q\n' "$build/klavento.exe"
  cat <<'LAUNCHER'
if [ ! -f "$exe" ]; then
  echo "klavento: $exe fehlt – zuerst \"$kv_top/scripts/build.sh windows\" ausführen." >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "klavento: Kein Bildschirm (DISPLAY) gesetzt." >&2
  exit 1
fi
# Wine only uses a prefix its user owns: others get one of their own.
if [ -z "${KV_WINEPREFIX:-}" ]; then
  shared=$kv_top/build/wineprefix
  if { [ -e "$shared" ] && [ ! -O "$shared" ]; } || { [ ! -e "$shared" ] && [ ! -w "$kv_top/build" ]; }; then
    export KV_WINEPREFIX="${XDG_DATA_HOME:-$HOME/.local/share}/klavento/wineprefix"
    mkdir -p "$(dirname "$KV_WINEPREFIX")"
  fi
fi
source "$kv_top/scripts/wine-env.sh"
kv_prepare_prefix || exit 1
kv_use_user_history
# Files named on the command line (a double-clicked .kvw or .kvk file) are passed as
# Windows paths; the program takes its first argument as such.
args=()
for a in "$@"; do
  if [ -e "$a" ]; then
    args+=("$(winepath -w "$(realpath -- "$a")")")
  else
    args+=("$a")
  fi
done
exec wine "$exe" "${args[@]}"
LAUNCHER
} >"$destdir$launcher"
chmod 755 "$destdir$launcher"

icon_line=
ico=$build/pictures/klavento.ico
if [ -f "$ico" ] && command -v convert >/dev/null; then
  mkdir -p "$destdir$icon_dir"
  if convert "$ico[0]" "$destdir$icon_dir/klavento.png" 2>/dev/null; then icon_line='Icon=klavento'; fi
fi

cat >"$destdir$apps_dir/klavento.desktop" <<EOF_DESKTOP
[Desktop Entry]
Type=Application
Version=1.0
Name=Klavento 7
GenericName=Schreibtrainer
Comment=Zehnfinger-Tastschreiben auf der deutschen Tastatur üben
Exec="$launcher" %f
TryExec=$launcher
${icon_line}
Terminal=false
Categories=Education;
Keywords=Tastschreiben;Zehnfinger;Tippen;Schreibmaschine;
MimeType=$mime_type;$test_mime_type;
EOF_DESKTOP
# No icon leaves an empty line, which the format does not allow everywhere.
sed -i '/^$/d' "$destdir$apps_dir/klavento.desktop"

cat >"$destdir$mime_dir/packages/klavento.xml" <<EOF_MIME
<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="$mime_type">
    <comment>Text mit Auswertung (Klavento 7)</comment>
    <comment xml:lang="de">Text mit Auswertung (Klavento 7)</comment>
    <magic priority="60">
      <match type="string" offset="0" value="Klavento 7.0"/>
    </magic>
    <glob pattern="*.kvw"/>
  </mime-type>
  <mime-type type="$test_mime_type">
    <comment>Klassenarbeit (Klavento 7)</comment>
    <comment xml:lang="de">Klassenarbeit (Klavento 7)</comment>
    <glob pattern="*.kvk"/>
  </mime-type>
</mime-info>
EOF_MIME

register
if [ -z "$destdir" ] && command -v xdg-mime >/dev/null; then
  xdg-mime default klavento.desktop "$mime_type" 2>/dev/null || true
  xdg-mime default klavento.desktop "$test_mime_type" 2>/dev/null || true
fi

echo "Klavento-Starter installiert: $launcher"
[ -f "$build/klavento.exe" ] ||
  echo "Hinweis: $build/klavento.exe ist noch nicht gebaut (./scripts/build.sh windows)."
case ":$PATH:" in
  *":$bin_dir:"*) ;;
  *) [ -n "$destdir" ] || echo "Hinweis: $bin_dir steht nicht im PATH." ;;
esac
