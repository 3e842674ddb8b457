#!/usr/bin/env bash
# Builds the trees and runs every test: the native tests and the Windows
# programs' tests under Wine. The Windows suites mostly wait for the program
# and the keys, so they run side by side in lanes, each with a Wine prefix and
# a display of its own, starting as soon as their tree is built, while the
# 32-bit tree, the native sanitizer and the fuzz stages use the processors at
# a lower priority. Prints each phase's time at the end.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export LC_NUMERIC=C

phase_names=()
phase_seconds=()
run_started=$(date +%s)

# Runs a command as a named phase and notes its time.
phase() {
  local name=$1 started rc
  shift
  started=$(date +%s)
  "$@"
  rc=$?
  phase_names+=("$name")
  phase_seconds+=($(($(date +%s) - started)))
  return $rc
}

print_phases() {
  local i total=$(($(date +%s) - run_started))
  echo "== Zeiten der Phasen =="
  for i in "${!phase_names[@]}"; do
    printf '  %-48s %4d:%02d\n' "${phase_names[$i]}" $((phase_seconds[i] / 60)) $((phase_seconds[i] % 60))
  done
  printf '  %-48s %4d:%02d\n' "ganzer Lauf" $((total / 60)) $((total % 60))
}

phase "Pakete und Locale (deps.sh)" "$top/scripts/deps.sh" || exit 1
# The 64-bit tree first: its Wine lanes wait on keys and windows far more
# than they compute, so the 32-bit tree is built while they run.
build_first() { "$top/scripts/build.sh" linux && "$top/scripts/build.sh" windows64; }
# Beside the lanes, at a lower priority than their programs.
build_beside() { nice -n 10 "$top/scripts/build.sh" windows32 && nice -n 10 "$top/scripts/build.sh" installer; }
if ! phase "Bauen: Linux und Windows 64 Bit" build_first; then
  echo "Build fehlgeschlagen."
  exit 1
fi

summary='(\[==========\] [0-9]+ tests? from|\[  PASSED  \]|\[  FAILED  \]|[0-9]+ FAILED TESTS?|tests passed|tests failed|Total Test time|Fuzz:)'

# Shows what a ctest run left in its log: the runners' summary lines and, for
# each failed test, its own output from that run. ctest -V kept every test's
# whole output: running a failed test again would cost its minutes twice and,
# were it flaky, show a passing run instead of the failure.
report_ctest() {
  local label=$1 log=$2 rc=$3
  sed -E 's/^[0-9]+: //' "$log" | grep -E "$summary"
  if [ "$rc" -ne 0 ]; then
    local n
    for n in $(sed -n '/The following tests FAILED:/,$p' "$log" | grep -Eo '^[[:space:]]+[0-9]+ - ' | grep -Eo '[0-9]+'); do
      echo "---- Ende der Ausgabe von Test $n ($label) ----"
      grep -E "^$n: " "$log" | sed -E "s/^$n: //" | tr -d '\r' | tail -n 150
    done
    # Only the end of a long log may be seen: name what failed once more, last.
    echo "---- Fehler ($label) ----"
    # Wine's programs end their lines with CR.
    sed -E 's/^[0-9]+: //' "$log" | tr -d '\r' |
      grep -E -B1 -A6 '(: Failure$|^\[  FAILED  \] [A-Za-z_]+\.|wine client error|Exit code|Exception|SEH exception|\*\*\*Failed)' |
      head -n 80
    sed -n '/The following tests FAILED:/,$p' "$log"
  fi
}

run_ctest() {
  local tree=$1 log rc
  shift
  log=$(mktemp)
  (cd "$tree" && ctest -V --timeout 600 "$@") >"$log" 2>&1
  rc=$?
  report_ctest "$tree" "$log" $rc
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
         nice -n 10 cmake --build "$dir" -j2 >"$dir/build.log" 2>&1; }; then
    echo "Fuzz: Bauen fehlgeschlagen"
    tail -n 40 "$dir/build.log" 2>/dev/null
    return 1
  fi
  local rc=0
  fuzz_one "$dir" archive_fuzz "Archivleser" 20 archive_seeds || rc=1
  fuzz_one "$dir" result_file_fuzz "Übungsdatei-Leser" 15 result_seeds || rc=1
  fuzz_one "$dir" compare_fuzz "Textvergleich" 20 compare_seeds || rc=1
  fuzz_one "$dir" class_scan_fuzz "Klassenordner (.kvw, Lernverlauf)" 20 class_seeds || rc=1
  fuzz_one "$dir" exam_fuzz "Klassenarbeit und Klassenliste" 20 exam_seeds || rc=1
  fuzz_one "$dir" adaptive_stats_fuzz "Kennzahlen für Adaptiv üben" 20 adaptive_seeds || rc=1
  return $rc
}

run_sanitized() {
  local dir="$top/build/asan"
  cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
    >/dev/null || return 1
  nice -n 10 cmake --build "$dir" -j2 --target kv_core_tests >"$dir/build.log" 2>&1 || {
    echo "Sanitizer-Build fehlgeschlagen"; tail -n 40 "$dir/build.log"; return 1; }
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 nice -n 10 "$dir/kv_core_tests" >"$dir/run.log" 2>&1
  local rc=$?
  grep -E "$summary" "$dir/run.log"
  if [ $rc -ne 0 ]; then
    grep -E "ERROR: AddressSanitizer|runtime error|ERROR: LeakSanitizer|FAILED" "$dir/run.log" | head -n 20
  fi
  return $rc
}

# ---------------------------------------------------------------------------
# The Windows lanes. Each lane is one ctest run over some of a tree's tests,
# in a Wine prefix and on an Xvfb display of its own, in the background.
source "$top/scripts/wine-env.sh"
lane_names=()
lane_pids=()
lane_logs=()
lane_displays=()
lane_prefixes=()
xvfb_pids=()
lane_dir="$top/build/lanes"

end_lanes() {
  local i
  for i in "${!lane_pids[@]}"; do
    kill -- "-${lane_pids[$i]}" 2>/dev/null || kill "${lane_pids[$i]}" 2>/dev/null || true
  done
  for i in "${!lane_prefixes[@]}"; do
    WINEPREFIX="${lane_prefixes[$i]}" wineserver -k >/dev/null 2>&1 || true
  done
  for i in "${xvfb_pids[@]}"; do kill "$i" 2>/dev/null || true; done
  wait 2>/dev/null
}
trap end_lanes EXIT
trap 'exit 130' INT TERM

# lane NAME TREE BITS CTEST-ARGS...: starts one lane. Its display is started
# here, one after the other, so that two lanes never take the same number.
lane() {
  local name=$1 tree=$2 bits=$3
  shift 3
  kv_start_xvfb || return 1
  xvfb_pids+=("$KV_XVFB_PID")
  local display=$DISPLAY prefix="$top/build/wineprefix-$name"
  KV_XVFB_PID=""
  mkdir -p "$lane_dir"
  local log="$lane_dir/$name.log"
  (
    set -m
    export DISPLAY=$display
    # Six lanes, the 32-bit build, the sanitizer and the fuzzers share the processors:
    # the tests' waits get twice their usual time.
    export KV_TEST_PATIENCE=${KV_TEST_PATIENCE:-2}
    if [ "$bits" = 32 ]; then
      export KV_WINEPREFIX32=$prefix
      kv_use_prefix32
    else
      export KV_WINEPREFIX=$prefix WINEPREFIX=$prefix
    fi
    started=$(date +%s)
    {
      if kv_prepare_prefix; then
        # Wine's server and its system processes run for the whole lane,
        # started here: started by a test instead, they would hold that
        # test's output pipe open and ctest would wait for it until the
        # timeout.
        wineserver -p
        wine cmd /c exit >/dev/null 2>&1
        (cd "$tree" && ctest -V --timeout 600 "$@")
      else
        false
      fi
    } >"$log" 2>&1
    rc=$?
    echo "$rc $(($(date +%s) - started))" >"$log.end"
    exit $rc
  ) &
  lane_names+=("$name")
  lane_pids+=($!)
  lane_logs+=("$log")
  lane_displays+=("$display")
  lane_prefixes+=("$prefix")
}

# The 64-bit tree's lanes, but for its installers, which need the 32-bit
# programs as well.
start_64_bit_lanes() {
  rm -rf "$lane_dir"
  local w64="$top/build/windows"
  lane tippen-1 "$w64" 64 -R '^win_typing_tests_1$' || return 1
  lane tippen-2 "$w64" 64 -R '^win_typing_tests_2$' || return 1
  lane tippen-3 "$w64" 64 -R '^(win_typing_tests_3|win_adaptive)$' || return 1
  lane fenster-64 "$w64" 64 -E '^(win_typing_tests_|win_adaptive$|installer)' || return 1
}

start_32_bit_lanes() {
  lane programme-32 "$top/build/windows32" 32 || return 1
  lane installer-64 "$top/build/windows" 64 -R '^installer' || return 1
}

# Waits for every lane and shows each one's summary, in a fixed order.
finish_windows_lanes() {
  local i rc=0 lane_rc seconds
  for i in "${!lane_pids[@]}"; do
    wait "${lane_pids[$i]}"
    read -r lane_rc seconds <"${lane_logs[$i]}.end" 2>/dev/null || { lane_rc=1; seconds=0; }
    echo "== Windows-Tests unter Wine: ${lane_names[$i]} =="
    report_ctest "${lane_names[$i]}" "${lane_logs[$i]}" "$lane_rc"
    phase_names+=("Wine-Spur ${lane_names[$i]} (nebenher)")
    phase_seconds+=("$seconds")
    [ "$lane_rc" -eq 0 ] || rc=1
  done
  lane_pids=()
  return $rc
}

windows_started=$(date +%s)
start_64_bit_lanes
lanes_started=$?

if ! phase "Bauen: Windows 32 Bit und Installer (nebenher)" build_beside; then
  echo "Build fehlgeschlagen."
  exit 1
fi
if [ $lanes_started -eq 0 ]; then
  start_32_bit_lanes
  lanes_started=$?
fi

echo "== Native Tests (Linux) =="
phase "Native Tests (Linux)" run_ctest "$top/build/linux"
native=$?

echo "== Native Tests mit AddressSanitizer und UBSan =="
phase "AddressSanitizer und UBSan (bauen, testen)" run_sanitized
sanitized=$?

echo "== Fuzz-Tests =="
phase "Fuzz-Tests (bauen, laufen)" run_fuzzers
fuzz=$?

windows=1
if [ $lanes_started -eq 0 ]; then
  finish_windows_lanes
  windows=$?
else
  echo "Die Wine-Spuren ließen sich nicht starten (Xvfb)."
fi
phase_names+=("Windows-Tests unter Wine (alle Spuren)")
phase_seconds+=($(($(date +%s) - windows_started)))

print_phases
if [ $native -ne 0 ] || [ $sanitized -ne 0 ] || [ $fuzz -ne 0 ] || [ $windows -ne 0 ]; then
  echo "TESTS FEHLGESCHLAGEN"
  exit 1
fi
echo "Alle Tests bestanden."
