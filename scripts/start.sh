#!/usr/bin/env bash
# Builds klavento.exe and starts it under Wine with the prepared prefix.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export LC_NUMERIC=C

"$top/scripts/deps.sh"
"$top/scripts/build.sh" windows

source "$top/scripts/wine-env.sh"
trap kv_cleanup EXIT
trap 'exit 130' INT TERM HUP
if [ -z "${DISPLAY:-}" ]; then
  kv_start_xvfb
  echo "Kein Bildschirm (DISPLAY) gesetzt: Klavento läuft auf dem virtuellen Bildschirm $DISPLAY."
  echo "Bildschirmfoto: DISPLAY=$DISPLAY import -window root klavento.png"
  echo "Beenden mit Strg+C."
fi
kv_prepare_prefix || exit 1
kv_use_user_history
# In the background and waited for, so that a TERM or HUP (terminal closed)
# ends the script at once and its cleanup takes the program and display along.
wine "$top/build/windows/klavento.exe" "$@" &
wait $!
