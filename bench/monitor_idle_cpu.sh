#!/usr/bin/env bash
# The monitor's cost under Wine, both figures: the tick against the bare registry and user-name
# queries (bench_monitor_tick.exe), and the running program's CPU while idle, read from /proc of
# its Wine process (Wine's GetProcessTimes keeps no figures for another process).
# Usage: bench/monitor_idle_cpu.sh WIN_BUILD_DIR [idle seconds, default 30]
# Uses $WINEPREFIX and $DISPLAY when set; otherwise makes its own prefix and X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=$(cd "${1:?usage: $0 WIN_BUILD_DIR [seconds]}" && pwd)
seconds=${2:-30}
source "$root/scripts/wine/env.sh"
own_env=0
if [ -z "${WINEPREFIX:-}" ]; then
  own_env=1
  qc_wine_env "$win/../bench-prefix"
  unset DISPLAY
  qc_xvfb_start
  trap qc_cleanup EXIT
  qc_wine_prefix_init
else
  qc_wine_env "$WINEPREFIX"
fi

cd "$win"
qc_timeout 300 "$QC_WINE" bench_monitor_tick.exe 100 51 0 </dev/null 2>&1 | tr -d '\r'

caption="Quorin Virus Cleaner"
(exec "$QC_WINE" "$win/Quorin Cleaner.exe") </dev/null >/dev/null 2>&1 &
pid=$!  # exec keeps the pid: this is the program's own Wine process
stop() {
  if kill -0 "$pid" 2>/dev/null; then
    qc_timeout 30 "$QC_WINE" qcdrive.exe close "$caption" >/dev/null 2>&1 || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null || true
  fi
}
trap 'stop; [ "$own_env" = 0 ] || qc_cleanup' EXIT
if [ -x qcdrive.exe ]; then
  qc_timeout 60 "$QC_WINE" qcdrive.exe controls "$caption" 30000 >/dev/null
fi
sleep 2  # past start-up and the first ticks

cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
t0=$(date +%s%N)
c0=$(cpu_ticks)
sleep "$seconds"
c1=$(cpu_ticks)
t1=$(date +%s%N)
awk -v c="$((c1 - c0))" -v hz="$hz" -v ns="$((t1 - t0))" 'BEGIN {
  s = ns / 1e9
  printf "program CPU over %.1f s idle: %.3f s\n", s, c / hz
  printf "idle CPU of the running program: %.3f %% of one core\n", 100 * c / hz / s
}'
