# Sourced by the benchmarks that drive the real program under Wine (after
# scripts/wine-env.sh and a prepared prefix): where the program's
# measurement log lies, its start, and a window opened again and again by keys.

# The Linux path of a file in the prefix's Windows temporary folder: the
# program writes its measurement logs there under the name it is given.
kv_bench_temp_file() {
  local folder
  folder=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
  winepath -u "$folder\\$1" 2>/dev/null
}

# Starts the program and gives it the keyboard once its start picture is gone.
kv_bench_start() {
  (cd "$(dirname "$1")" && wine "$1" >/dev/null 2>&1 &)
  for _ in $(seq 60); do
    xdotool search --name '^Klavento 7$' >/dev/null 2>&1 && break
    sleep 0.5
  done
  sleep 4  # the splash picture's time
  xdotool search --name '^Klavento 7$' windowfocus
}

# Opens a window RUNS times by KEYS and closes it with Escape, each time once
# the program has written that run's line into LOG (waiting at most TENTHS
# tenths of a second).
kv_bench_open_times() {
  local keys=$1 runs=$2 log=$3 tenths=$4 run
  for run in $(seq "$runs"); do
    xdotool key "$keys"
    for _ in $(seq "$tenths"); do
      [ -f "$log" ] && [ "$(wc -l <"$log")" -ge "$run" ] && break
      sleep 0.1
    done
    sleep 0.5
    xdotool key Escape
    sleep 1
  done
}
