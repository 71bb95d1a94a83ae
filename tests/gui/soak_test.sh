#!/usr/bin/env bash
# Soak: the real program ticks for QC_SOAK_TICKS ticks of 100 ms (300 by default) while the worm's
# Run value is added and deleted every QC_SOAK_SPACING seconds (1). Each change must show in the
# status line within two seconds; handles, GDI and USER objects must not grow, nor private memory
# beyond 256 KiB of heap growth. The long form, about 17 minutes:
#   QC_SOAK_TICKS=10000 QC_SOAK_SPACING=3 bash tests/gui/soak_test.sh WIN_BUILD_DIR
source "$(dirname "$0")/lib.sh"

on=0 missed=0 toggles=0
toggle() {
  local want=$CLEAN
  if [ $on -eq 0 ]; then worm_value add && want=$INFECTED; else worm_value delete; fi
  on=$((1 - on)) toggles=$((toggles + 1))
  shows "$want" || { missed=$((missed + 1)) && echo "soak: toggle $toggles not shown ($want)" >&2; }
}

worm_value delete
start_app
# Warm up: both states shown once, so what the first ticks create once is not counted as growth.
toggle
toggle
first=$(drive counts "$CAPTION")
t0=$(date +%s)
while app_running && [ $(($(date +%s) - t0)) -lt $((${QC_SOAK_TICKS:-300} / 10)) ]; do
  sleep "${QC_SOAK_SPACING:-1}"
  toggle
done
[ $on -eq 0 ] || toggle
last=$(drive counts "$CAPTION")
echo "soak: $(($(date +%s) - t0)) s, $toggles toggles, $missed not shown; $first -> $last"

check "the program ran to the end" app_running
expect_eq "every toggle showed in the status line" "$missed" 0
# shellcheck disable=SC2207 # four numbers
names=(handles gdi user private) a=($(sed 's/[a-z]*=//g' <<<"$first")) b=($(sed 's/[a-z]*=//g' <<<"$last"))
for i in 0 1 2 3; do
  check "${names[i]} counted (${a[i]:-})" test "${a[i]:--1}" -gt 0
  check "${names[i]} did not grow (${a[i]:-} -> ${b[i]:-})" test "${b[i]:-999999999}" -le $((${a[i]:-0} + (i == 3 ? 262144 : 0)))
done
stop_app
finish
