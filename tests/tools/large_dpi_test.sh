#!/usr/bin/env bash
# Every window at 200 % (192 dpi), in a Wine prefix of its own whose screen
# says 192 dpi before the program starts; the shared prefix keeps 96 dpi.
# The screen is one of 2560x1600 pixels, as on a notebook run at 200 %.
# The test opens each window with real keys and checks its layout, once with
# the system's fonts and once with a larger menu font.
#   large_dpi_test.sh kv_win_tests.exe
# KV_LARGE_DPI_PICTURES (a Linux folder) keeps a picture of each window.
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
exe=$1
export KV_WINEPREFIX="${KV_WINEPREFIX_192DPI:-$top/build/wineprefix-192dpi}"
# shellcheck source=../../scripts/wine-env.sh
source "$top/scripts/wine-env.sh"
trap kv_cleanup EXIT
trap 'exit 130' INT TERM

n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 2560x1600x24 -nolisten tcp >/dev/null 2>&1 &
KV_XVFB_PID=$!
for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
[ -e "/tmp/.X11-unix/X$n" ] || { echo "FEHLER: Xvfb startet nicht."; exit 1; }
export DISPLAY=":$n"

kv_prepare_prefix >/dev/null || { echo "FEHLER: Das Wine-Präfix $WINEPREFIX lässt sich nicht einrichten."; exit 1; }
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
# The system's own fonts, should a run that enlarged them have been cut short.
for font in MenuFont MessageFont; do
  wine reg delete 'HKCU\Control Panel\Desktop\WindowMetrics' /v "$font" /f >/dev/null 2>&1
done
# The screen's resolution is read once, when Wine's session starts.
wineserver -k >/dev/null 2>&1
wineserver -w
"$top/tests/tools/run_win_tests.sh" "$exe" "${KV_LARGE_DPI_FILTER:-LargeDpi*}"
