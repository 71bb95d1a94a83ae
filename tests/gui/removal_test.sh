#!/usr/bin/env bash
# The cleaning job end to end on the real program: the labels, the status following the worm's
# start-up value in the 64-bit view in red and green, an unreadable Run key, "Kill Virus" on a clean
# machine, beside a protective autorun.inf folder, on a planted infection (values in the program's
# per-machine views and per user, files in c:\windows and the roots of c: to o:, some read-only, hidden or system) whose
# decoys must come through byte for byte, and with a file held open by another process.
source "$(dirname "$0")/lib.sh"

RUN='Software\Microsoft\Windows\CurrentVersion\Run'
INFECTED="The virus exists and still running"
CLEAN="Virus Cleaned"
work=$(mktemp -d "${TMPDIR:-/tmp}/qc-removal.XXXXXX")
dd=$WINEPREFIX/dosdevices
declare -A saved_links
for l in d e f g h i j k l m n o p; do saved_links[$l]=$(readlink "$dd/$l:" || true); done

w() { (cd / && qc_timeout 60 "$QC_WINE" "$@" </dev/null 2>/dev/null | tr -d '\r'); }
unplant_registry() {
  local view v
  for view in /reg:32 /reg:64; do
    for v in SVCHOST QUORIN MDM Updater; do w reg delete "HKLM\\$RUN" /v $v /f $view >/dev/null || true; done
    w reg delete 'HKLM\Software\QuorinDecoy' /f $view >/dev/null || true
  done
  for v in SVCHOST QUORIN MDM; do w reg delete "HKCU\\$RUN" /v $v /f >/dev/null || true; done
  w reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v SVCHOST /f >/dev/null || true
  w reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations /f >/dev/null || true
}
# Leaves the prefix as it was found: no planted value or file, the drive letters it had.
previous_exit_trap=$(trap -p EXIT | sed -e "s/^trap -- '//" -e "s/' EXIT\$//")
restore() {
  local rc=$? l
  rm -f "$work/hold.flag"
  stop_app 2>/dev/null || true
  drive readable "$RUN" yes || true
  unplant_registry
  rm -rf "$WINEPREFIX"/drive_c/{windows/svchost.exe,windows/mdm.exe,autorun.inf,quorin.exe,qc-decoy}
  for l in "${!saved_links[@]}"; do
    rm -f "$dd/$l:"
    [ -z "${saved_links[$l]}" ] || ln -sfn "${saved_links[$l]}" "$dd/$l:"
  done
  qc_wineserver_restart >/dev/null 2>&1 || true
  rm -rf "$work"
  eval "${previous_exit_trap:-true}"
  return $rc
}
trap restore EXIT
qc_wine_drives "$work/drives"
unplant_registry
unix_path() {  # c:\x\y -> the file behind the letter
  local rest=${1:3}
  rest=${rest//\\//}
  if [ "${1:0:1}" = c ]; then echo "$WINEPREFIX/drive_c/$rest"; else echo "$work/drives/${1:0:1}/$rest"; fi
}
coloured() {  # coloured TEXT red|green: text pixels of exactly that colour, none of the other
  local red green
  red=$(drive pixels "$QC_CAPTION" "$1" FF0000) green=$(drive pixels "$QC_CAPTION" "$1" 00FF00)
  if [ "$2" = red ]; then [ "${red:-0}" -gt 50 ] && [ "${green:-1}" -eq 0 ]; else [ "${green:-0}" -gt 50 ] && [ "${red:-1}" -eq 0 ]; fi
}
kill_virus() {  # text|icon of the box that ends the job, answered
  drive click "$QC_CAPTION" "Kill Virus"
  drive msgbox "Quorin Cleaner" 30000
  drive msgbox-ok "Quorin Cleaner" 10000
}

user=$(w cmd /c 'echo %USERNAME%' | tr -d ' ')
nl='\r\n'
instr1="Dosto pehlay aap aik process ko khatam karain us k liye task manager open karain.\"( Ctrl + Alt + Delete)\" press karain aur phir 'processes' ki tab per jain.wahan per "
instr2='Likha ho us ko "End Process" ker dain .Jiss Process k agay SYSTEM ya NETWORK SERVICE likha ho us ko end nahin kerna.'
instr3='Iss k bad Kill Virs per click ker dain.Lo g virus ka khatma ho gaya'

start_app
check "window appears" drive wait-window "$QC_CAPTION" 30000
# From the second tick on Label3 carries the name fetched by the tick before.
for _ in $(seq 1 50); do [ "$(label 104)" = "Dtetected Username is $user" ] && break; sleep 0.05; done
check "the user name is known" test -n "$user"
expect_eq "Label3 names the real user" "$(label 104)" "Dtetected Username is $user"
expect_eq "Label1 carries the instructions and the user name" "$(label 102)" \
  "$instr1$nl$nl""Image Name      User Name$nl$nl""Svchost.exe       $user$nl$nl$instr2$nl$instr3"
expect_eq "clean machine: status" "$(label 103)" "$CLEAN"
check "clean machine: status in green" coloured "$CLEAN" green
expect_eq "clean machine: closing box" "$(kill_virus)" "Virus Removed!|information"

w reg add "HKLM\\$RUN" /v SVCHOST /t REG_SZ /d 'c:\windows\svchost.exe' /f /reg:64 >/dev/null
check "SVCHOST in the 64-bit view turns the status red within a second" shows "$INFECTED" 1000
check "status in red" coloured "$INFECTED" red
w reg delete "HKLM\\$RUN" /v SVCHOST /f /reg:64 >/dev/null
check "deleting it turns the status back" shows "$CLEAN"

# A Run key nobody may read is no all-clear: red, and the removal names what it could not check.
check "Run key made unreadable" drive readable "$RUN" no
check "unreadable Run key: status red" shows "$INFECTED" 2000
drive click "$QC_CAPTION" "Kill Virus"
for _ in 1 2 3 4 5 6; do  # the registry class may say its own word first
  box=$(drive msgbox "Quorin Cleaner" 30000) && drive msgbox-ok "Quorin Cleaner" 10000 || break
  case $box in *"could not be checked"* | "Virus Removed!"*) break ;; esac
done
check "unreadable Run key: SVCHOST could not be checked" grep -qE '"SVCHOST" in HKEY_LOCAL_MACHINE[^|]*could not be checked: access is denied' <<<"$box"
expect_eq "unreadable Run key: exclamation box" "${box##*|}" exclamation
drive readable "$RUN" yes
check "readable again: status green" shows "$CLEAN" 2000

guard=$(unix_path 'f:\autorun.inf')
mkdir -p "$guard"
echo "protects the drive" >"$guard/keep.txt"
drive attrib hs 'f:\autorun.inf'
guard_state() { echo "$(drive getattr 'f:\autorun.inf' 'f:\autorun.inf\keep.txt')|$(sha256sum "$guard/keep.txt")|$(ls -A "$guard")"; }
guard_before=$(guard_state)
check "the protective folder is hidden and system as planted" grep -q '^16' <<<"$guard_before"
expect_eq "protective folder: closing box" "$(kill_virus)" "Virus Removed!|information"
expect_eq "protective folder left exactly as it was" "$(guard_state)" "$guard_before"
rm -rf "$guard"

worm_files=('c:\windows\svchost.exe' 'c:\windows\mdm.exe')
for l in c d e f g h i j k l m n o; do worm_files+=("$l:\\autorun.inf" "$l:\\quorin.exe"); done
decoy_files=('c:\qc-decoy\autorun.inf' 'c:\qc-decoy\svchost.exe' 'd:\sub\quorin.exe' 'e:\windows\mdm.exe'
  'p:\autorun.inf' 'p:\quorin.exe')
plant() {  # plant worm|decoy FILE...
  local kind=$1 f u
  shift
  for f; do
    u=$(unix_path "$f")
    mkdir -p "$(dirname "$u")"
    echo "$kind $f $RANDOM" >"$u"
  done
}
plant worm "${worm_files[@]}"
plant decoy "${decoy_files[@]}"
drive attrib rhs 'c:\windows\svchost.exe' 'e:\autorun.inf'
drive attrib r 'g:\quorin.exe' 'p:\autorun.inf'
drive attrib h 'h:\autorun.inf'
drive attrib s 'o:\quorin.exe'
expect_eq "planted attributes" "$(drive getattr 'c:\windows\svchost.exe' 'g:\quorin.exe' 'h:\autorun.inf' 'o:\quorin.exe' | paste -sd' ')" "27 21 22 24"
cat >"$work/infection.reg" <<'REG'
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
REG
winreg="z:${work//\//\\}\\infection.reg"
# The 32-bit program cleans both per-machine views; the 64-bit test build sees only its own.
views=(/reg:64)
[ "$QC_WINE_ARCH" = x86_64 ] || views=(/reg:32 /reg:64)
for v in "${views[@]}"; do w reg import "$winreg" "$v" >/dev/null; done

worm_values() {  # the worm's values left in the per-machine views and per user
  { for v in "${views[@]}"; do w reg query "HKLM\\$RUN" "$v"; done; w reg query "HKCU\\$RUN"; } |
    grep -cE '^ +(SVCHOST|QUORIN|MDM) +REG_SZ' || true
}
worm_files_left() {
  local f n=0
  for f in "${worm_files[@]}"; do [ ! -e "$(unix_path "$f")" ] || n=$((n + 1)); done
  echo $n
}
decoys() {
  local f v
  for f in "${decoy_files[@]}"; do sha256sum <"$(unix_path "$f")"; done
  sha256sum <"$WINEPREFIX/drive_c/windows/system32/svchost.exe"
  for v in "${views[@]}"; do
    w reg query "HKLM\\$RUN" /v Updater $v
    w reg query 'HKLM\Software\QuorinDecoy\Run' /v SVCHOST $v
  done
  w reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v SVCHOST
}
expect_eq "planted: the worm's values" "$(worm_values)" $((3 * ${#views[@]} + 3))
expect_eq "planted: 28 files" "$(worm_files_left)" 28
decoys_before=$(decoys)
check "decoys planted" test "$(grep -c decoy <<<"$decoys_before")" -eq $((2 * ${#views[@]} + 1))
check "status red after planting" shows "$INFECTED" 5000
expect_eq "infection: closing box" "$(kill_virus)" "Virus Removed!|information"
expect_eq "infection: no value left" "$(worm_values)" 0
expect_eq "infection: no file left" "$(worm_files_left)" 0
expect_eq "decoys intact" "$(decoys)" "$decoys_before"
check "status green after the removal" shows "$CLEAN" 1000
check "status in green" coloured "$CLEAN" green

# A file held open by another process: named in an exclamation box, marked for the restart.
plant worm "${worm_files[@]}"
w reg import "$winreg" /reg:64 >/dev/null
: >"$work/hold.flag"
(cd / && exec "$QC_WINE" "$QC_WIN_DIR/qcdrive.exe" hold 'c:\windows\svchost.exe' "z:${work//\//\\}\\hold.flag" \
  </dev/null >"$work/hold.out" 2>&1) &
holder=$!
for _ in $(seq 1 200); do ! grep -q held "$work/hold.out" || break; sleep 0.05; done
check "another process holds c:\\windows\\svchost.exe" grep -q held "$work/hold.out"
box=$(kill_virus || true)
expect_eq "held file: exclamation box" "${box##*|}" exclamation
check "held file: not claimed removed" test "${box#Virus Removed}" = "$box"
check "held file: named as in use and marked for restart" grep -qF \
  'c:\\windows\\svchost.exe: it is in use by a running program; it will be deleted when Windows restarts' <<<"$box"
check "held file: nothing else named" test "$(grep -o '\\n[a-o]:\\\\' <<<"$box" | wc -l)" -eq 1
expect_eq "held file: every other file removed" "$(worm_files_left)" 1
expect_eq "held file: the values removed" "$(worm_values)" 0
check "held file: marked for deletion at restart" grep -qi svchost.exe \
  <<<"$(w reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations)"
rm -f "$work/hold.flag"
wait "$holder" 2>/dev/null || true
check "program still running" app_running
finish
