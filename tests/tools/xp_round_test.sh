#!/usr/bin/env bash
# Runs Windows tests on a Wine that says it is Windows XP: in a copy of the
# 32-bit prefix, with Wine's Windows version set to XP, so the programs' own
# version check sees 5.1 and everything they call must work as on XP.
#   xp_round_test.sh kv_win_tests.exe FILTER
set -uo pipefail
tests_exe=$1
filter=$2
top=$(cd "$(dirname "$0")/../.." && pwd)
source_prefix=${WINEPREFIX:-$top/build/wineprefix32}

work=$(mktemp -d "$top/build/xp-test.XXXXXX")
[ -f "$source_prefix/system.reg" ] && cp -a "$source_prefix" "$work/prefix"
export KV_WINEPREFIX32="$work/prefix"
source "$top/scripts/wine-env.sh"
kv_use_prefix32
trap 'kv_cleanup; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
if [ -z "${DISPLAY:-}" ]; then kv_start_xvfb || exit 1; fi
kv_prepare_prefix >/dev/null || exit 1

# Nothing Wine starts may hold this script's output open: its processes write
# to files, and the server of the copy ends with the script.
wineserver -p
wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d winxp /f >/dev/null 2>&1 </dev/null
wine cmd /c ver >"$work/ver.txt" 2>/dev/null </dev/null
ver=$(tr -d '\r' <"$work/ver.txt" | grep -Eo '[0-9]+\.[0-9]+\.[0-9]+' | head -n 1)
if ! [[ $ver =~ ^5\.1\. ]]; then
  echo "FEHLER: Wine meldet nicht Windows XP (${ver:-keine Version})"
  exit 1
fi
echo "Wine meldet Windows XP ($(tr -d '\r' <"$work/ver.txt" | grep .))"
"$top/tests/tools/run_win_tests.sh" "$tests_exe" "$filter"
