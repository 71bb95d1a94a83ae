#!/usr/bin/env bash
# "Kill Virus" end to end on the real program: with an unreadable Run key (red, and named as not
# checked); on a planted infection (values in the program's machine views and per user, files in
# c:\windows and the roots of c: to o:, some read-only, hidden or system) beside decoys and a
# protective autorun.inf folder that must come through unchanged; with a file held by another process.
source "$(dirname "$0")/lib.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/qc-removal.XXXXXX")
dd=$WINEPREFIX/dosdevices
declare -A links
for l in d e f g h i j k l m n o p; do links[$l]=$(readlink "$dd/$l:" || true); done
session='HKLM\System\CurrentControlSet\Control\Session Manager'
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
winpath() { echo "z:${1//\//\\}"; }
{ sed 's/=.*/=-/' "$work/infection.reg"; echo '[-HKEY_LOCAL_MACHINE\Software\QuorinDecoy]'
  printf '[%s]\n"PendingFileRenameOperations"=-\n' "${session/HKLM/HKEY_LOCAL_MACHINE}"; } >"$work/undo.reg"
unplant_registry() { for v in /reg:32 /reg:64; do w reg import "$(winpath "$work/undo.reg")" $v >/dev/null; done; }
# Leaves the prefix as it was found: no planted value or file, the drive letters it had (the
# server's restart ends the program and the file's holder).
previous_exit_trap=$(trap -p EXIT | sed -e "s/^trap -- '//" -e "s/' EXIT\$//")
restore() {
  local rc=$? l
  drive readable "$RUN" yes || true
  unplant_registry || true
  rm -rf "$WINEPREFIX"/drive_c/{windows/svchost.exe,windows/mdm.exe,autorun.inf,quorin.exe,qc-decoy}
  for l in "${!links[@]}"; do rm -f "$dd/$l:" && { [ -z "${links[$l]}" ] || ln -sfn "${links[$l]}" "$dd/$l:"; }; done
  qc_wineserver_restart >/dev/null 2>&1 || true
  rm -rf "$work"
  eval "${previous_exit_trap:-true}"
  return $rc
}
trap restore EXIT
qc_wine_drives "$work/drives"
unplant_registry
unix_path() { local rest=${1:3} && echo "$dd/${1:0:2}/${rest//\\//}"; }  # c:\x\y -> the file behind it
kill_virus() {  # text|icon of the box that ends the job, any box before it answered too
  local box=
  drive click "$CAPTION" "Kill Virus"
  while [[ $box != *"Virus Removed!"* && $box != *"not removed completely"* ]] && box=$(drive msgbox "Quorin Cleaner"); do :; done
  echo "$box"
}

# A Run key nobody may read is no all-clear: red, and the removal names what it could not check.
start_app
check "clean machine: status green" shows "$CLEAN" 30000
check "Run key made unreadable" drive readable "$RUN" no
check "unreadable Run key: status red" shows "$INFECTED" 2000
box=$(kill_virus)
check "unreadable Run key: SVCHOST could not be checked" grep -qE '"SVCHOST" in HKEY_LOCAL_MACHINE[^|]*could not be checked: access is denied' <<<"$box"
drive readable "$RUN" yes

worm_files=('c:\windows\svchost.exe' 'c:\windows\mdm.exe' 'f:\quorin.exe')
for l in c d e g h i j k l m n o; do worm_files+=("$l:\\autorun.inf" "$l:\\quorin.exe"); done
decoy_files=('c:\qc-decoy\autorun.inf' 'c:\qc-decoy\svchost.exe' 'd:\sub\quorin.exe' 'e:\windows\mdm.exe'
  'p:\autorun.inf' 'p:\quorin.exe' 'f:\autorun.inf\keep.txt')
plant() {  # plant worm|decoy FILE...
  local f u
  for f in "${@:2}"; do u=$(unix_path "$f") && mkdir -p "${u%/*}" && echo "$1 $f $RANDOM" >"$u"; done
}
# The 32-bit program cleans both machine views; the 64-bit test build sees only its own.
views=(/reg:64)
[ "$QC_WINE_ARCH" = x86_64 ] || views=(/reg:32 /reg:64)
infect() {
  plant worm "${worm_files[@]}"
  local v
  for v in "${views[@]}"; do w reg import "$(winpath "$work/infection.reg")" "$v" >/dev/null; done
}
worm_values() {  # the worm's values left in the machine views and per user
  { for v in "${views[@]}"; do w reg query "HKLM\\$RUN" "$v"; done; w reg query "HKCU\\$RUN"; } |
    grep -cE '^ +(SVCHOST|QUORIN|MDM) +REG_SZ' || true
}
files_left() { for f in "${worm_files[@]}"; do [ ! -e "$(unix_path "$f")" ] || echo "$f"; done | wc -l; }
decoys() {  # the protective folder's attributes, every decoy's contents, the values near the worm's
  local f v
  w attrib 'f:\autorun.inf'
  w attrib 'f:\autorun.inf\keep.txt'
  for f in "${decoy_files[@]}"; do sha256sum <"$(unix_path "$f")"; done
  sha256sum <"$WINEPREFIX/drive_c/windows/system32/svchost.exe"
  for v in "${views[@]}"; do
    w reg query "HKLM\\$RUN" /v Updater "$v"
    w reg query 'HKLM\Software\QuorinDecoy\Run' /v SVCHOST "$v"
  done
  w reg query "HKCU\\${RUN}Once" /v SVCHOST
}
plant decoy "${decoy_files[@]}"
infect
# Wine's attrib takes only the last of several attributes: one at a time.
for a in +r +h +s; do w attrib $a 'c:\windows\svchost.exe' >/dev/null; done
for a in +h +s; do w attrib $a 'f:\autorun.inf' >/dev/null; done
w attrib +r 'e:\autorun.inf' >/dev/null
decoys_before=$(decoys)
expect_eq "planted: the worm's values" "$(worm_values)" $((3 * ${#views[@]} + 3))
expect_eq "infection: closing box" "$(kill_virus)" "Virus Removed!|information"
expect_eq "infection: no value left" "$(worm_values)" 0
expect_eq "infection: no file left" "$(files_left)" 0
expect_eq "decoys and the protective folder intact" "$(decoys)" "$decoys_before"

# The worm's programs running (copies of the driver, each holding a scratch file) and another
# program holding a worm file: "Kill Virus" ends the worm's programs itself, by the file they run
# from, and their files go at once; a program of the same name elsewhere runs on; the held file is
# named and marked for the restart.
infect
run_as() {  # run_as PATH N: the driver copied to PATH, started, holding its own scratch file
  local u && u=$(unix_path "$1") && mkdir -p "${u%/*}" && cp "$QC_WIN_DIR/qcdrive.exe" "$u" && : >"$work/held$2"
  (cd / && exec "$QC_WINE" "$1" hold "$(winpath "$work/held$2")" "$(winpath "$work/running$2")") </dev/null >/dev/null 2>&1 &
  programs[$2]=$!
}
running() { kill -0 "${programs[$1]}" 2>/dev/null; }
run_as 'c:\windows\svchost.exe' 0
run_as 'e:\quorin.exe' 1
run_as 'd:\tools\svchost.exe' 2
drive hold 'c:\windows\mdm.exe' "$(winpath "$work/running3")" &
for n in 0 1 2 3; do check "program $n: our own file runs (not Wine's)" within 10000 test -e "$work/running$n"; done
expect_eq "running worm, held file: closing box" "$(kill_virus)" "The virus was not removed completely. \
These items are still there or could not be checked:\n\nc:\windows\mdm.exe: it is in use by a running program; \
it will be deleted when Windows restarts\n\nEnd the virus's process in Task Manager (\"Open Task manager\") and \
press \"Kill Virus\" again. If that does not help, run Quorin Cleaner as administrator.\n\nThe files marked for \
deletion at restart go when Windows starts again.\n\nEnded the virus's running programs: c:\windows\svchost.exe, \
e:\quorin.exe|exclamation"
for n in 0 1; do check "worm program $n ended" within 5000 eval "! running $n"; done
check "the decoy of the same name runs on" running 2
expect_eq "every file but the held one gone at once" "$(files_left)" 1
check "held file: marked for deletion at restart" grep -qi mdm.exe <<<"$(w reg query "$session" /v PendingFileRenameOperations)"
check "program still running" app_running
finish
