#!/usr/bin/env bash
# Builds both trees and runs every test: the native tests, then the Windows
# programs' tests under Wine on a private display.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export LC_NUMERIC=C

"$top/scripts/deps.sh" || exit 1
"$top/scripts/build.sh" all || { echo "Build fehlgeschlagen."; exit 1; }

summary='(\[==========\] [0-9]+ tests? from|\[  PASSED  \]|\[  FAILED  \]|[0-9]+ FAILED TESTS?|tests passed|tests failed|Total Test time|Fuzz:)'

run_ctest() {
  local tree=$1 log
  log=$(mktemp)
  (cd "$tree" && ctest -V --timeout 600) >"$log" 2>&1
  local rc=$?
  sed -E 's/^[0-9]+: //' "$log" | grep -E "$summary"
  if [ $rc -ne 0 ]; then
    echo "---- Ausgabe der fehlgeschlagenen Tests ($tree) ----"
    (cd "$tree" && ctest --rerun-failed --output-on-failure --timeout 600) 2>&1 | tail -n 200
  fi
  rm -f "$log"
  return $rc
}

echo "== Native Tests (Linux) =="
run_ctest "$top/build/linux"
native=$?

echo "== Windows-Tests unter Wine =="
source "$top/scripts/wine-env.sh"
trap kv_cleanup EXIT
trap 'exit 130' INT TERM
kv_start_xvfb || exit 1
kv_prepare_prefix
run_ctest "$top/build/windows"
windows=$?

if [ $native -ne 0 ] || [ $windows -ne 0 ]; then
  echo "TESTS FEHLGESCHLAGEN"
  exit 1
fi
echo "Alle Tests bestanden."
