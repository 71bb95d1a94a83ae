#!/usr/bin/env bash
# The window as a user meets it: caption, controls and their places, placeholders before the first
# tick, the user's name and the instructions, the status line in green and red as the worm's Run
# value comes and goes, focus and Tab, Space on "Open Task manager", a fixed border, and closing.
source "$(dirname "$0")/lib.sh"

# class|id|caption|left,top,width,height in pixels at 96 dots per inch (15 twips per pixel).
want="Button|101|Kill Virus|8,280,209,41
Static|102||8,8,417,273
Static|103||16,328,374,24
Static|104||8,352,393,33
Static|105||0,392,385,49
Button|106|Open Task manager|224,280,169,41"
user=$(w cmd /c 'echo %USERNAME%' | tr -d ' ')
nl='\r\n'
instructions="Dosto pehlay aap aik process ko khatam karain us k liye task manager open karain.\"( Ctrl + Alt + Delete)\" press karain aur phir 'processes' ki tab per jain.wahan per $nl$nl""Image Name      User Name$nl$nl""Svchost.exe       $user$nl$nl"'Likha ho us ko "End Process" ker dain .Jiss Process k agay SYSTEM ya NETWORK SERVICE likha ho us ko end nahin kerna.'"$nl"'Iss k bad Kill Virs per click ker dain.Lo g virus ka khatma ho gaya'
worm_value delete

# What the window shows the moment it appears, before its first tick. The tick can win the race on
# a busy machine, so a few starts are allowed to catch it.
for _ in 1 2 3; do
  start_app
  labels=$(drive controls "$CAPTION" 30000 | awk -F'|' '$2>=102 && $2<=104 {print $3}' | paste -sd/)
  [ "$labels" = "Label1/Label2/" ] && break
  stop_app
done
expect_eq "labels before the first tick" "$labels" "Label1/Label2/"
app_running || start_app

# Labels are rewritten by the ticks: their texts are checked one by one below.
controls=$(drive controls "$CAPTION")
expect_eq "controls, texts and places" \
  "$(awk -F'|' -v OFS='|' '{ if ($2 != 101 && $2 != 106) $3 = ""; print }' <<<"$controls")" "$want"
check "credit line names the program" grep -q '^Static|105|.*Quorin Cleaner' <<<"$controls"
IFS='|' read -r style client < <(drive window "$CAPTION")
expect_eq "client area" "$client" "435,439"
expect_eq "caption and system menu; fixed border, no minimize or maximize box" "$(printf %x $((0x$style & 0xCF0000)))" c80000

# From the second tick on the labels carry the name fetched by the tick before.
check "the user name is known" test -n "$user"
check "Label3 names the real user" within 5000 label_is 104 "Dtetected Username is $user"
expect_eq "Label1 carries the instructions and the user name" "$(label 102)" "$instructions"
check "clean machine: status" shows "$CLEAN"
check "clean machine: status in green" coloured "$CLEAN" 00FF00 FF0000
worm_value add
check "SVCHOST in the Run key turns the status red within a second" shows "$INFECTED" 1000
check "status in red" coloured "$INFECTED" FF0000 00FF00
worm_value delete
check "deleting it turns the status back" shows "$CLEAN"
check "status in green again" coloured "$CLEAN" 00FF00 FF0000

# Keyboard: Kill Virus has the focus; Tab moves it to Open Task manager; Space presses that.
expect_eq "focus at start" "$(drive focus "$CAPTION")" "Kill Virus"
drive key "$CAPTION" TAB
expect_eq "Tab reaches the other button" "$(drive focus "$CAPTION")" "Open Task manager"
drive key "$CAPTION" SPACE
check "Space on Open Task manager starts Task Manager" drive controls "Task Manager" 20000
drive close "Task Manager" || true
within 10000 absent "Task Manager" || true
check "the window keeps running" app_running

drive close "$CAPTION"
check "closing the window removes it" within 10000 absent "$CAPTION"
check "closing the window ends the process" app_ends
finish
