#!/usr/bin/env bash
# Soak: the real program ticks for a long while (QC_SOAK_TICKS ticks of 100 ms, 600 by default)
# while another process adds and deletes the per-machine Run value "SVCHOST" every few seconds.
# Its handle, GDI and USER object counts must not grow, nor its private memory beyond a small
# allowance for heap growth; each toggle must show in the status line within two seconds.
#   bash tests/gui/soak_test.sh WIN_BUILD_DIR             (the short form ctest runs)
#   QC_SOAK_TICKS=10000 bash tests/gui/soak_test.sh WIN_BUILD_DIR   (about 17 minutes)
source "$(dirname "$0")/lib.sh"

ticks=${QC_SOAK_TICKS:-600}
every=${QC_SOAK_TOGGLE_SECONDS:-3}
memory_allowance=$((256 * 1024))  # bytes of heap growth tolerated over the whole run
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
infected="The virus exists and still running"
cleaned="Virus Cleaned"
report="$QC_ARTIFACTS/soak.txt"

# The program is 32-bit: it sees the per-machine keys through the 32-bit registry view.
reg32() { (cd / && qc_timeout 60 "$QC_WINE" reg "$@" /reg:32 </dev/null >/dev/null 2>&1); }
value_on() { reg32 add "$run_key" /v SVCHOST /t REG_SZ /d 'c:\windows\svchost.exe' /f; }
value_off() { reg32 delete "$run_key" /v SVCHOST /f || true; }
status_line() { drive controls "$QC_CAPTION" | awk -F'|' '$2 == 103 { print $3 }'; }
counts() { (cd "$QC_WIN_DIR" && qc_timeout 60 "$QC_WINE" qcprobe.exe counts "$1" 2>/dev/null | tr -d '\r'); }
field() { sed -n "s/.*\b$1=\(-\?[0-9]*\).*/\1/p" <<<"$2"; }
# Waits up to two seconds for the status line to read TEXT.
shows() {
  local i
  for i in $(seq 1 20); do
    [ "$(status_line)" = "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

missed=0
toggles=0
on=0
toggle() {
  if [ "$on" -eq 0 ]; then value_on; on=1; want=$infected; else value_off; on=0; want=$cleaned; fi
  toggles=$((toggles + 1))
  shows "$want" || { missed=$((missed + 1)); echo "soak: toggle $toggles not shown (wanted '$want')" >&2; }
}

value_off
start_app
drive wait-window "$QC_CAPTION" 30000 >/dev/null
IFS='|' read -r _ _ _ _ pid < <(drive window "$QC_CAPTION")
check "the program's pid is known" test -n "$pid"

# Warm up: both states shown once, so what the first ticks create once is not counted as growth.
toggle
toggle
first=$(counts "$pid")
echo "soak: start $first" | tee "$report"
t0=$(date +%s)
duration=$(((ticks + 9) / 10))
while [ $(($(date +%s) - t0)) -lt "$duration" ]; do
  sleep "$every"
  toggle
  app_running || break
done
elapsed=$(($(date +%s) - t0))
value_off
shows "$cleaned" || missed=$((missed + 1))
last=$(counts "$pid")
echo "soak: end   $last" | tee -a "$report"
echo "soak: ${elapsed} s (about $((elapsed * 10)) ticks), $toggles toggles, $missed not shown" |
  tee -a "$report"

check "the program ran to the end" app_running
check "ran at least $ticks ticks' time" test "$elapsed" -ge "$duration"
expect_eq "every toggle showed in the status line" "$missed" 0
for what in handles gdi user; do
  a=$(field "$what" "$first")
  b=$(field "$what" "$last")
  check "$what counted ($a)" test "${a:--1}" -gt 0
  check "$what did not grow ($a -> $b)" test "${b:-999999}" -le "${a:-0}"
done
a=$(field private "$first")
b=$(field private "$last")
check "private memory read ($a)" test "${a:-0}" -gt 0
check "private memory flat ($a -> $b bytes)" test "${b:-999999999}" -le $((${a:-0} + memory_allowance))

stop_app
finish
