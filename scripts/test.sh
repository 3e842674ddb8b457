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
    # ctest -V kept every test's whole output: running a failed test again
    # would cost its minutes twice (the typing tests take twelve) and, were
    # it flaky, show a passing run instead of the failure.
    local n
    for n in $(sed -n '/The following tests FAILED:/,$p' "$log" | grep -Eo '^[[:space:]]+[0-9]+ - ' | grep -Eo '[0-9]+'); do
      echo "---- Ende der Ausgabe von Test $n ($tree) ----"
      grep -E "^$n: " "$log" | sed -E "s/^$n: //" | tr -d '\r' | tail -n 150
    done
    # Only the end of a long log may be seen: name what failed once more, last.
    echo "---- Fehler ($tree) ----"
    # Wine's programs end their lines with CR.
    sed -E 's/^[0-9]+: //' "$log" | tr -d '\r' |
      grep -E -B1 -A6 '(: Failure$|^\[  FAILED  \] [A-Za-z_]+\.|wine client error|Exit code|Exception|SEH exception|\*\*\*Failed)' |
      head -n 80
    sed -n '/The following tests FAILED:/,$p' "$log"
  fi
  rm -f "$log"
  return $rc
}

# The file readers and the comparison under libFuzzer, each for a bounded
# time, from the committed seeds and a fresh working corpus each run. A crash
# fails the run and leaves the input in build/fuzz/.
fuzz_one() {
  local dir=$1 target=$2 label=$3 seconds=$4 seeds=$5
  rm -rf "$dir/corpus-$target" && mkdir -p "$dir/corpus-$target"
  local corpora=("$dir/corpus-$target")
  [ -n "$seeds" ] && [ -d "$top/tests/fuzz/$seeds" ] && corpora+=("$top/tests/fuzz/$seeds")
  "$dir/$target" -max_total_time=$seconds -max_len=60000 -timeout=10 \
    -artifact_prefix="$dir/$target-" "${corpora[@]}" >"$dir/$target.log" 2>&1
  local rc=$? runs seed
  runs=$(grep -Eo 'Done [0-9]+ runs' "$dir/$target.log" | grep -Eo '[0-9]+')
  seed=$(grep -Eo 'Seed: [0-9]+' "$dir/$target.log" | grep -Eo '[0-9]+')
  if [ $rc -ne 0 ]; then
    echo "Fuzz: $label FEHLER gefunden (Seed ${seed:-?}), Eingabe in $dir/:"
    grep -E 'ERROR|SUMMARY|Test unit written|deadly|check failed' "$dir/$target.log" | head -n 10
    return 1
  fi
  echo "Fuzz: $label, ${runs:-?} Eingaben in ${seconds} s, keine Fehler (Seed ${seed:-?})"
}

run_fuzzers() {
  local dir="$top/build/fuzz"
  if ! command -v clang++ >/dev/null; then
    echo "Fuzz: übersprungen (clang++ nicht vorhanden)"
    return 0
  fi
  mkdir -p "$dir"
  if ! { cmake -S "$top/tests/fuzz" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
         cmake --build "$dir" -j2 >"$dir/build.log" 2>&1; }; then
    echo "Fuzz: Bauen fehlgeschlagen"
    tail -n 40 "$dir/build.log" 2>/dev/null
    return 1
  fi
  local rc=0
  fuzz_one "$dir" archive_fuzz "Archivleser" 20 archive_seeds || rc=1
  fuzz_one "$dir" result_file_fuzz "Übungsdatei-Leser" 15 result_seeds || rc=1
  fuzz_one "$dir" compare_fuzz "Textvergleich" 20 compare_seeds || rc=1
  fuzz_one "$dir" class_scan_fuzz "Klassenordner (.kvw, Lernverlauf)" 20 class_seeds || rc=1
  return $rc
}

echo "== Native Tests (Linux) =="
run_ctest "$top/build/linux"
native=$?

echo "== Native Tests mit AddressSanitizer und UBSan =="
run_sanitized() {
  local dir="$top/build/asan"
  cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
    >/dev/null || return 1
  cmake --build "$dir" -j2 --target kv_core_tests >"$dir/build.log" 2>&1 || {
    echo "Sanitizer-Build fehlgeschlagen"; tail -n 40 "$dir/build.log"; return 1; }
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 "$dir/kv_core_tests" >"$dir/run.log" 2>&1
  local rc=$?
  grep -E "$summary" "$dir/run.log"
  if [ $rc -ne 0 ]; then
    grep -E "ERROR: AddressSanitizer|runtime error|ERROR: LeakSanitizer|FAILED" "$dir/run.log" | head -n 20
  fi
  return $rc
}
run_sanitized
sanitized=$?

echo "== Fuzz-Tests =="
run_fuzzers
fuzz=$?

echo "== Windows-Tests unter Wine =="
source "$top/scripts/wine-env.sh"
trap kv_cleanup EXIT
trap 'exit 130' INT TERM
kv_start_xvfb || exit 1
kv_prepare_prefix || exit 1
# Wine's server and its system processes run for the whole stage, started
# here: started by a test instead, they would hold that test's output pipe
# open and ctest would wait for it until the timeout.
wineserver -p
wine cmd /c exit >/dev/null 2>&1
run_ctest "$top/build/windows"
windows=$?

echo "== 32-Bit-Programme unter Wine (32-Bit-Präfix, auch als Windows XP) =="
wineserver -k >/dev/null 2>&1
kv_use_prefix32
kv_prepare_prefix || exit 1
wineserver -p
wine cmd /c exit >/dev/null 2>&1
run_ctest "$top/build/windows32"
windows32=$?

if [ $native -ne 0 ] || [ $sanitized -ne 0 ] || [ $fuzz -ne 0 ] || [ $windows -ne 0 ] ||
   [ $windows32 -ne 0 ]; then
  echo "TESTS FEHLGESCHLAGEN"
  exit 1
fi
echo "Alle Tests bestanden."
