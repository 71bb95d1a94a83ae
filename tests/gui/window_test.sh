#!/usr/bin/env bash
# The window as a user meets it: caption, controls and their places, placeholders before the first
# tick, focus and Tab, Space on "Open Task manager", a fixed border, and closing ends the process.
source "$(dirname "$0")/lib.sh"

# Pixels at 96 dots per inch (15 twips per pixel), as the layout table gives them in twips.
want_controls=(
  "Button|101|Kill Virus|8,280,209,41"
  "Static|102|Label1|8,8,417,273"
  "Static|103|Label2|16,328,374,24"
  "Static|104||8,352,393,33"
  "Static|105|*|0,392,385,49"
  "Button|106|Open Task manager|224,280,169,41"
)

# What the window shows before its first tick: read the moment it appears. The first tick can win
# the race on a busy machine, so a few starts are allowed to catch it.
seen_placeholders=0
for _ in 1 2 3; do
  start_app
  first=$(drive first-controls "$QC_CAPTION" 30000 || true)
  labels=$(echo "$first" | awk -F'|' '$2>=102 && $2<=104 {print $3}' | paste -sd'/')
  if [ "$labels" = "Label1/Label2/" ]; then seen_placeholders=1; break; fi
  stop_app
done
expect_eq "labels before the first tick" "$seen_placeholders" 1
app_running || start_app
drive wait-window "$QC_CAPTION" 30000 >/dev/null

controls=$(drive controls "$QC_CAPTION")
expect_eq "six controls" "$(echo "$controls" | wc -l)" 6
i=0
while IFS='|' read -r cls id text rect _style; do
  IFS='|' read -r wcls wid wtext wrect <<<"${want_controls[$i]}"
  expect_eq "control $wid class" "${cls,,}" "${wcls,,}"
  expect_eq "control $wid id" "$id" "$wid"
  # Label1..Label3 are rewritten by the ticks; the buttons and the credit line are not.
  case $wid in
    101 | 106) expect_eq "control $wid caption" "$text" "$wtext" ;;
    105) check "credit line names the program" grep -q "Quorin Cleaner" <<<"$text" ;;
  esac
  check "control $wid rectangle $rect ~ $wrect" rect_near "$rect" "$wrect"
  i=$((i + 1))
done <<<"$controls"

IFS='|' read -r style _ex client _win pid < <(drive window "$QC_CAPTION")
expect_eq "client area" "$client" "435,439"
s=$((16#${style#0x}))
check "caption and system menu" test $((s & 0xC80000)) -eq $((0xC80000))
check "no sizing frame, no minimize or maximize" test $((s & 0x70000)) -eq 0
expect_eq "fixed border" "$(drive resizable "$QC_CAPTION" | cut -d'|' -f1)" "fixed"

# Keyboard: Kill Virus has the focus; Tab moves it to Open Task manager; Space presses that.
drive key "$QC_CAPTION" SHIFT >/dev/null || true  # brings the window to the foreground
expect_eq "focus at start" "$(drive focus "$QC_CAPTION")" "Kill Virus"
drive key "$QC_CAPTION" TAB >/dev/null
expect_eq "Tab reaches the other button" "$(drive focus "$QC_CAPTION")" "Open Task manager"
drive key "$QC_CAPTION" SPACE >/dev/null
check "Space on Open Task manager starts Task Manager" drive wait-window "Task Manager" 20000
drive close "Task Manager" >/dev/null || true
drive wait-gone "Task Manager" 10000 >/dev/null || true
check "the window keeps running" app_running

drive screenshot "$QC_CAPTION" "$QC_ARTIFACTS/window.bmp" >/dev/null &&
  convert "$QC_ARTIFACTS/window.bmp" "$QC_ARTIFACTS/window.png" && rm -f "$QC_ARTIFACTS/window.bmp"
check "screenshot saved" test -s "$QC_ARTIFACTS/window.png"

drive close "$QC_CAPTION" >/dev/null
check "closing the window removes it" drive wait-gone "$QC_CAPTION" 10000
gone=0
for _ in $(seq 1 100); do
  if ! kill -0 "$QC_APP_PID" 2>/dev/null; then gone=1; break; fi
  sleep 0.1
done
expect_eq "closing the window ends the process" "$gone" 1
QC_APP_PID=
finish
