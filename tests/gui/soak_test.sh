#!/usr/bin/env bash
# Soak: the real program ticks for QC_SOAK_TICKS ticks of 100 ms (600 by default) while another
# process adds and deletes the per-machine Run value "SVCHOST" every few seconds. Each toggle must
# show in the status line within two seconds; its handles, GDI and USER objects must not grow, nor
# its private memory beyond 256 KiB of heap growth. The long form, about 17 minutes:
#   QC_SOAK_TICKS=10000 bash tests/gui/soak_test.sh WIN_BUILD_DIR
source "$(dirname "$0")/lib.sh"

ticks=${QC_SOAK_TICKS:-600}
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
# The 64-bit view: the 32-bit program checks it besides its own, the 64-bit test build only it.
reg64() { (cd / && qc_timeout 60 "$QC_WINE" reg "$@" /reg:64 </dev/null >/dev/null 2>&1); }
on=0 missed=0 toggles=0
toggle() {
  if [ $on -eq 0 ]; then
    reg64 add "$run_key" /v SVCHOST /t REG_SZ /d 'c:\windows\svchost.exe' /f
    want="The virus exists and still running"
  else
    reg64 delete "$run_key" /v SVCHOST /f || true
    want="Virus Cleaned"
  fi
  on=$((1 - on)) toggles=$((toggles + 1))
  shows "$want" || { missed=$((missed + 1)); echo "soak: toggle $toggles not shown ($want)" >&2; }
}
counts() { drive counts "$pid"; }
field() { sed -n "s/.*\b$1=\(-\?[0-9]*\).*/\1/p" <<<"$2"; }

reg64 delete "$run_key" /v SVCHOST /f || true
start_app
drive wait-window "$QC_CAPTION" 30000
IFS='|' read -r _ _ pid < <(drive window "$QC_CAPTION")
# Warm up: both states shown once, so what the first ticks create once is not counted as growth.
toggle
toggle
first=$(counts)
t0=$(date +%s)
while app_running && [ $(($(date +%s) - t0)) -lt $(((ticks + 9) / 10)) ]; do
  sleep 3
  toggle
done
[ $on -eq 0 ] || toggle
last=$(counts)
echo "soak: $(($(date +%s) - t0)) s, $toggles toggles, $missed not shown; $first -> $last"

check "the program ran to the end" app_running
expect_eq "every toggle showed in the status line" "$missed" 0
for what in handles gdi user private; do
  a=$(field $what "$first") b=$(field $what "$last")
  allowance=0
  [ $what = private ] && allowance=$((256 * 1024))
  check "$what counted ($a)" test "${a:--1}" -gt 0
  check "$what did not grow ($a -> $b)" test "${b:-999999999}" -le $((${a:-0} + allowance))
done
stop_app
finish
