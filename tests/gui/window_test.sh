#!/usr/bin/env bash
# The window as a user meets it: caption, controls and their places, placeholders before the first
# tick, focus and Tab, Space on "Open Task manager", a fixed border, and closing ends the process.
source "$(dirname "$0")/lib.sh"

# class|id|caption|left,top,width,height in pixels at 96 dots per inch (15 twips per pixel).
want="Button|101|Kill Virus|8,280,209,41
Static|102||8,8,417,273
Static|103||16,328,374,24
Static|104||8,352,393,33
Static|105||0,392,385,49
Button|106|Open Task manager|224,280,169,41"

# What the window shows before its first tick, read the moment it appears. The first tick can win
# the race on a busy machine, so a few starts are allowed to catch it.
for _ in 1 2 3; do
  start_app
  labels=$(drive first-controls "$QC_CAPTION" 30000 | awk -F'|' '$2>=102 && $2<=104 {print $3}' | paste -sd/)
  [ "$labels" = "Label1/Label2/" ] && break
  stop_app
done
expect_eq "labels before the first tick" "$labels" "Label1/Label2/"
app_running || start_app
drive wait-window "$QC_CAPTION" 30000

# Labels are rewritten by the ticks: their texts are the other tests' business.
controls=$(drive controls "$QC_CAPTION")
expect_eq "controls, texts and places" \
  "$(awk -F'|' -v OFS='|' '{ if ($2 != 101 && $2 != 106) $3 = ""; print }' <<<"$controls")" "$want"
check "credit line names the program" grep -q '^Static|105|.*Quorin Cleaner' <<<"$controls"

IFS='|' read -r style client _ < <(drive window "$QC_CAPTION")
expect_eq "client area" "$client" "435,439"
check "caption and system menu" test $((0x$style & 0xC80000)) -eq $((0xC80000))
check "fixed border, no minimize or maximize box" test $((0x$style & 0x70000)) -eq 0

# Keyboard: Kill Virus has the focus; Tab moves it to Open Task manager; Space presses that.
expect_eq "focus at start" "$(drive focus "$QC_CAPTION")" "Kill Virus"
drive key "$QC_CAPTION" TAB
expect_eq "Tab reaches the other button" "$(drive focus "$QC_CAPTION")" "Open Task manager"
drive key "$QC_CAPTION" SPACE
check "Space on Open Task manager starts Task Manager" drive wait-window "Task Manager" 20000
drive close "Task Manager" || true
drive wait-gone "Task Manager" 10000 || true
check "the window keeps running" app_running

drive close "$QC_CAPTION"
check "closing the window removes it" drive wait-gone "$QC_CAPTION" 10000
check "closing the window ends the process" app_ends
finish
