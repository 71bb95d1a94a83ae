#!/usr/bin/env bash
# The cleaning job end to end, on the real program under Wine: the labels of the first ticks, the
# status following the worm's start-up value in either per-machine registry view, "Kill Virus" on a
# clean machine, on a planted infection (values in both views and per user, files in c:\windows and
# in the roots of c: to o:, some read-only, hidden or system), with a file held open by another
# process, and beside a protective autorun.inf folder. Decoys must come through byte for byte.
source "$(dirname "$0")/lib.sh"

CAPTION=$QC_CAPTION
TITLE="Quorin Cleaner"
RUN='Software\Microsoft\Windows\CurrentVersion\Run'
HKLM_RUN="HKLM\\$RUN"
HKCU_RUN="HKCU\\$RUN"
INFECTED="The virus exists and still running"
CLEAN="Virus Cleaned"
LETTERS=(c d e f g h i j k l m n o)

work=$(mktemp -d "${TMPDIR:-/tmp}/qc-removal.XXXXXX")
dd=$WINEPREFIX/dosdevices
declare -A saved_links
for l in d e f g h i j k l m n o p; do saved_links[$l]=$(readlink "$dd/$l:" 2>/dev/null || true); done

# Wine commands run from a neutral folder, quietly, with a time limit.
w() { (cd / && qc_timeout 60 "$QC_WINE" "$@" </dev/null 2>/dev/null | tr -d '\r'); }
reg_quiet() { w reg "$@" >/dev/null 2>&1 || true; }
plant_tool() { (cd "$work" && qc_timeout 60 "$QC_WINE" "$work/qcplant.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'); }

remove_planted_registry() {
  local view v
  for view in /reg:32 /reg:64; do
    for v in SVCHOST QUORIN MDM Updater; do reg_quiet delete "$HKLM_RUN" /v "$v" /f "$view"; done
    reg_quiet delete 'HKLM\Software\QuorinDecoy' /f "$view"
  done
  for v in SVCHOST QUORIN MDM; do reg_quiet delete "$HKCU_RUN" /v "$v" /f; done
  reg_quiet delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v SVCHOST /f
  reg_quiet delete 'HKLM\System\CurrentControlSet\Control\Session Manager' \
    /v PendingFileRenameOperations /f
}

# Leaves the prefix as it was found: no program of ours, no planted value or file, the drive
# letters it had.
previous_exit_trap=$(trap -p EXIT | sed -e "s/^trap -- '//" -e "s/' EXIT\$//")
restore() {
  local rc=$? l
  rm -f "$work/hold.flag"
  stop_app 2>/dev/null || true
  remove_planted_registry
  rm -f "$WINEPREFIX/drive_c/windows/svchost.exe" "$WINEPREFIX/drive_c/windows/mdm.exe" \
    "$WINEPREFIX/drive_c/autorun.inf" "$WINEPREFIX/drive_c/quorin.exe"
  rm -rf "$WINEPREFIX/drive_c/qc-decoy"
  for l in d e f g h i j k l m n o p; do
    rm -f "$dd/$l:"
    if [ -n "${saved_links[$l]}" ]; then ln -sfn "${saved_links[$l]}" "$dd/$l:"; fi
  done
  qc_wineserver_restart >/dev/null 2>&1 || true
  rm -rf "$work"
  eval "${previous_exit_trap:-true}"
  return $rc
}
trap restore EXIT

# The helper that sets attributes and holds files open from inside Wine.
check "helper builds" i686-w64-mingw32-gcc-posix -O2 -Wall -Wextra -Werror -o "$work/qcplant.exe" \
  "$QC_GUI_ROOT/tests/gui/removal_helper.c" -static
qc_wine_drives "$work/drives"
remove_planted_registry

unix_path() {  # c:\x\y -> the folder behind the letter
  local p=$1 l=${1:0:1}
  local rest=${p:3}
  rest=${rest//\\//}
  if [ "$l" = c ]; then echo "$WINEPREFIX/drive_c/$rest"; else echo "$work/drives/$l/$rest"; fi
}

# --- labels and status ------------------------------------------------------------------------

label() { drive controls "$CAPTION" | awk -F'|' -v id="$1" '$2==id {print $3}'; }

# Polls Label2 until it reads $1, for at most $2 ms (default 5000); prints the milliseconds it took.
wait_status() {
  local want=$1 limit=${2:-5000} start now
  start=$(date +%s%3N)
  while :; do
    now=$(date +%s%3N)
    if [ "$(label 103)" = "$want" ]; then
      echo $((now - start))
      return 0
    fi
    [ $((now - start)) -lt "$limit" ] || return 1
    sleep 0.02
  done
}

status_colour_is() {  # red|green: text pixels of that exact colour, none of the other
  local text=$1 colour=$2 red green
  red=$(drive pixels "$CAPTION" "$text" FF0000)
  green=$(drive pixels "$CAPTION" "$text" 00FF00)
  red=${red:-0} green=${green:-0}
  if [ "$colour" = red ]; then [ "$red" -gt 50 ] && [ "$green" -eq 0 ]; else [ "$green" -gt 50 ] && [ "$red" -eq 0 ]; fi
}

user=$(w cmd /c 'echo %USERNAME%' | tr -d ' ')
nl='\r\n'
instr1="Dosto pehlay aap aik process ko khatam karain us k liye task manager open karain.\"( Ctrl + Alt + Delete)\" press karain aur phir 'processes' ki tab per jain.wahan per "
instr2='Likha ho us ko "End Process" ker dain .Jiss Process k agay SYSTEM ya NETWORK SERVICE likha ho us ko end nahin kerna.'
instr3='Iss k bad Kill Virs per click ker dain.Lo g virus ka khatma ho gaya'
want_label1="$instr1$nl$nl""Image Name      User Name$nl$nl""Svchost.exe       $user$nl$nl$instr2$nl$instr3"

start_app
check "window appears" drive wait-window "$CAPTION" 30000
# From the second tick on Label3 carries the name fetched by the tick before.
for _ in $(seq 1 50); do [ "$(label 104)" = "Dtetected Username is $user" ] && break; sleep 0.05; done
expect_eq "Label3 names the real user" "$(label 104)" "Dtetected Username is $user"
check "the user name is not empty" test -n "$user"
expect_eq "Label1 carries the instructions and the user name" "$(label 102)" "$want_label1"
expect_eq "clean machine: status" "$(label 103)" "$CLEAN"
check "clean machine: status in green" status_colour_is "$CLEAN" green

# --- a clean machine ----------------------------------------------------------------------------

click_and_read_box() {  # prints "text|icon" of the closing box and answers it
  drive click "$CAPTION" "Kill Virus" >/dev/null
  local box
  box=$(drive msgbox "$TITLE" 30000) || return 1
  drive msgbox-ok "$TITLE" 10000 >/dev/null || return 1
  echo "${box#*|}"
}
expect_eq "clean machine: closing box" "$(click_and_read_box)" "Virus Removed!|information"

# --- the status follows SVCHOST in the 64-bit view alone ------------------------------------------

w reg add "$HKLM_RUN" /v SVCHOST /t REG_SZ /d 'c:\windows\svchost.exe' /f /reg:64 >/dev/null
ms=$(wait_status "$INFECTED" 1000) || ms=""
echo "status turned red ${ms:-(not within 1000)} ms after reg.exe returned (each look is one driver run)" >&2
check "SVCHOST in the 64-bit view turns the status red within a second" test -n "$ms"
check "status in red" status_colour_is "$INFECTED" red
w reg delete "$HKLM_RUN" /v SVCHOST /f /reg:64 >/dev/null
check "deleting it turns the status back" wait_status "$CLEAN"

# --- a protective folder ------------------------------------------------------------------------

guard=$(unix_path 'f:\autorun.inf')
mkdir -p "$guard"
echo "protects the drive" >"$guard/keep.txt"
plant_tool attrib hs 'f:\autorun.inf' >/dev/null
guard_before="$(plant_tool getattr 'f:\autorun.inf' 'f:\autorun.inf\keep.txt')|$(sha256sum "$guard/keep.txt")|$(ls -A "$guard")"
expect_eq "protective folder: closing box" "$(click_and_read_box)" "Virus Removed!|information"
guard_after="$(plant_tool getattr 'f:\autorun.inf' 'f:\autorun.inf\keep.txt')|$(sha256sum "$guard/keep.txt")|$(ls -A "$guard")"
expect_eq "protective folder left exactly as it was" "$guard_after" "$guard_before"
check "the protective folder is hidden and system as planted" grep -q '^16' <<<"$guard_before"
rm -rf "$guard"

# --- the full infection ---------------------------------------------------------------------------

worm_files=('c:\windows\svchost.exe' 'c:\windows\mdm.exe')
for l in "${LETTERS[@]}"; do worm_files+=("$l:\\autorun.inf" "$l:\\quorin.exe"); done
decoy_files=('c:\qc-decoy\autorun.inf' 'c:\qc-decoy\svchost.exe' 'd:\sub\quorin.exe'
  'e:\windows\mdm.exe' 'p:\autorun.inf' 'p:\quorin.exe')

plant_files() {
  local f u
  for f in "${worm_files[@]}"; do
    u=$(unix_path "$f")
    mkdir -p "$(dirname "$u")"
    printf 'worm %s\n' "$f" >"$u"
  done
}
plant_files
for f in "${decoy_files[@]}"; do
  u=$(unix_path "$f")
  mkdir -p "$(dirname "$u")"
  printf 'decoy %s %s\n' "$f" "$RANDOM" >"$u"
done
plant_tool attrib rhs 'c:\windows\svchost.exe' 'e:\autorun.inf' >/dev/null
plant_tool attrib r 'g:\quorin.exe' 'p:\autorun.inf' >/dev/null
plant_tool attrib h 'h:\autorun.inf' >/dev/null
plant_tool attrib s 'o:\quorin.exe' >/dev/null
expect_eq "planted attributes" "$(plant_tool getattr 'c:\windows\svchost.exe' 'g:\quorin.exe' 'h:\autorun.inf' 'o:\quorin.exe' | paste -sd' ')" "27 21 22 24"

cat >"$work/infection.reg" <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
"SVCHOST"="c:\\windows\\svchost.exe"
"QUORIN"="c:\\quorin.exe"
"MDM"="c:\\windows\\mdm.exe"
"Updater"="decoy in the same key"

[HKEY_LOCAL_MACHINE\Software\QuorinDecoy\Run]
"SVCHOST"="decoy under another key"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"SVCHOST"="c:\\windows\\svchost.exe"
"QUORIN"="c:\\quorin.exe"
"MDM"="c:\\windows\\mdm.exe"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\RunOnce]
"SVCHOST"="decoy under another key"
EOF
winreg=$(sed 's#/#\\#g' <<<"z:$work/infection.reg")
w reg import "$winreg" /reg:32 >/dev/null
w reg import "$winreg" /reg:64 >/dev/null

count_values() {  # how many of the worm's values are in the per-machine views and per user
  {
    w reg query "$HKLM_RUN" /reg:32
    w reg query "$HKLM_RUN" /reg:64
    w reg query "$HKCU_RUN"
  } | grep -cE '^ +(SVCHOST|QUORIN|MDM) +REG_SZ'
}
decoys() {
  local f
  for f in "${decoy_files[@]}"; do sha256sum "$(unix_path "$f")" | cut -d' ' -f1; done
  sha256sum "$WINEPREFIX/drive_c/windows/system32/svchost.exe" | cut -d' ' -f1
  for v in /reg:32 /reg:64; do
    w reg query "$HKLM_RUN" /v Updater "$v"
    w reg query 'HKLM\Software\QuorinDecoy\Run' /v SVCHOST "$v"
  done
  w reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v SVCHOST
}
existing_worm_files() {
  local f n=0
  for f in "${worm_files[@]}"; do [ -e "$(unix_path "$f")" ] && n=$((n + 1)); done
  echo $n
}

expect_eq "planted: 9 values" "$(count_values)" 9
expect_eq "planted: 28 files" "$(existing_worm_files)" 28
decoys_before=$(decoys)
check "decoys planted" test "$(grep -c 'decoy' <<<"$decoys_before")" -eq 5
check "status red after planting" wait_status "$INFECTED"

expect_eq "infection: closing box" "$(click_and_read_box)" "Virus Removed!|information"
expect_eq "infection: no value left" "$(count_values)" 0
expect_eq "infection: no file left" "$(existing_worm_files)" 0
expect_eq "decoys intact" "$(decoys)" "$decoys_before"
check "status green after the removal" wait_status "$CLEAN" 1000
check "status in green" status_colour_is "$CLEAN" green

# --- a file held open by another process -------------------------------------------------------------

plant_files
w reg import "$winreg" /reg:64 >/dev/null
: >"$work/hold.flag"
holdflag=$(sed 's#/#\\#g' <<<"z:$work/hold.flag")
(cd "$work" && exec "$QC_WINE" "$work/qcplant.exe" hold 'c:\windows\svchost.exe' "$holdflag" \
  </dev/null >"$work/hold.out" 2>&1) &
holder=$!
for _ in $(seq 1 200); do grep -q held "$work/hold.out" 2>/dev/null && break; sleep 0.05; done
check "another process holds c:\\windows\\svchost.exe" grep -q held "$work/hold.out"

drive click "$CAPTION" "Kill Virus" >/dev/null
box=$(drive msgbox "$TITLE" 30000 || true)
drive msgbox-ok "$TITLE" 10000 >/dev/null || true
icon=${box##*|}
text=${box#*|}
text=${text%|*}
expect_eq "held file: exclamation box" "$icon" "exclamation"
check "held file: not claimed removed" test "${text#Virus Removed}" = "$text"
check "held file: named as in use and marked for restart" grep -qF \
  'c:\\windows\\svchost.exe: it is in use by a running program; it will be deleted when Windows restarts' <<<"$text"
check "held file: nothing else named" test "$(grep -o '\\n[a-o]:\\\\' <<<"$text" | wc -l)" -eq 1
check "held file: still there" test -e "$(unix_path 'c:\windows\svchost.exe')"
expect_eq "held file: every other file removed" "$(existing_worm_files)" 1
expect_eq "held file: the values removed" "$(count_values)" 0
check "held file: marked for deletion at restart" grep -qi 'svchost.exe' \
  <<<"$(w reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations)"
rm -f "$work/hold.flag"
wait "$holder" 2>/dev/null || true

drive screenshot "$CAPTION" "$QC_ARTIFACTS/removal.bmp" >/dev/null &&
  convert "$QC_ARTIFACTS/removal.bmp" "$QC_ARTIFACTS/removal.png" 2>/dev/null && rm -f "$QC_ARTIFACTS/removal.bmp"
check "program still running" app_running
finish
