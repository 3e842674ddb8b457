#!/usr/bin/env bash
# Runs the Windows test program under Wine with a test filter. Its output goes
# through a file: Wine's desktop process, started by the tests' windows,
# outlives them and would hold ctest's pipe open until the timeout.
#   run_win_tests.sh kv_win_tests.exe FILTER
set -u
log=$(mktemp)
wine "$1" --gtest_filter="$2" >"$log" 2>&1 </dev/null
rc=$?
cat "$log"
rm -f "$log"
exit $rc
