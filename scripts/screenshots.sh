#!/usr/bin/env bash
# Photographs the start picture, the about window and the result-options
# dialog at 96 and at 144 dpi for the user guide (docs/bilder/). The 144-dpi
# pictures come from a throwaway Wine prefix, so the shared one keeps 96 dpi.
#   scripts/screenshots.sh [Windows build folder, default build/windows]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/windows}
export LC_NUMERIC=C
[ -f "$build/kv_win_tests.exe" ] || { echo "Kein Windows-Build in $build" >&2; exit 1; }

source "$top/scripts/wine-env.sh"
shared_prefix=$WINEPREFIX
dpi_prefix="$top/build/screenshot-prefix-144"
signals=$(mktemp -d)
finish() {
  kv_cleanup
  if [ -d "$dpi_prefix" ]; then
    WINEPREFIX="$dpi_prefix" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$dpi_prefix"
  fi
  rm -rf "$signals"
}
trap finish EXIT
trap 'exit 130' INT TERM
kv_start_xvfb
mkdir -p "$top/docs/bilder"

for dpi in 96 144; do
  if [ "$dpi" = 96 ]; then
    export WINEPREFIX=$shared_prefix
    kv_prepare_prefix || exit 1
  else
    export WINEPREFIX=$dpi_prefix
    kv_prepare_prefix || exit 1
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w
  fi
  export KV_SHOWCASE_DIR="Z:${signals//\//\\}"
  rm -f "$signals"/*.done
  log="$signals/log-$dpi"
  : >"$log"
  wine "$build/kv_win_tests.exe" --gtest_also_run_disabled_tests \
    --gtest_filter='Showcase.*' >"$log" 2>&1 &
  runner=$!
  taken=0
  while kill -0 "$runner" 2>/dev/null || [ "$taken" -lt 3 ]; do
    while read -r word name left top_ right bottom; do
      [ "$word" = SHOW ] || continue
      [ -e "$signals/$name.done" ] && continue
      # Without a window manager the X server stacks windows in the order they
      # were created, whatever Windows' order says: raise the one to photograph.
      for id in $(xdotool search --onlyvisible --class klavento 2>/dev/null) \
                $(xdotool search --onlyvisible --class kv_win_tests 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        if [ "$X" = "$left" ] && [ "$Y" = "$top_" ]; then xdotool windowraise "$id"; fi
      done
      sleep 0.3
      import -window root "$signals/screen.png"
      convert "$signals/screen.png" -crop "$((right - left))x$((bottom - top_))+$left+$top_" \
        +repage "$top/docs/bilder/$name-$dpi.png"
      touch "$signals/$name.done"
      taken=$((taken + 1))
      echo "docs/bilder/$name-$dpi.png"
    done < <(tr -d '\r' <"$log")
    kill -0 "$runner" 2>/dev/null || break
    sleep 0.1
  done
  wait "$runner" || { cat "$log" >&2; exit 1; }
done
