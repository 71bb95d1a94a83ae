#!/usr/bin/env bash
# Proves the Wine/Xvfb helpers and qcdrive against windows that exist without our program: Wine's
# notepad and a one-call message box, in a fresh prefix under a temporary folder.
#   bash tests/gui/selftest.sh [OUTDIR]
# OUTDIR keeps the screenshots (PNG). QCDRIVE=path/qcdrive.exe uses a built driver instead of
# compiling one. Exits non-zero when any check fails.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=SCRIPTDIR/../../scripts/wine/env.sh
source "$root/scripts/wine/env.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/qc-selftest.XXXXXX")
out=${1:-$work/out}
mkdir -p "$out"
out=$(cd "$out" && pwd)

finish() {
  local rc=$?
  qc_cleanup || true
  rm -rf "$work"
  exit "$rc"
}
trap finish EXIT

passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok - $*"; }
bad() { failed=$((failed + 1)); echo "FAIL - $*"; }
# check NAME EXPECTED ACTUAL
check() {
  if [ "$2" = "$3" ]; then ok "$1"; else bad "$1: expected '$2', got '$3'"; fi
}
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }

# Waits up to SECS for a background child and sets wait_rc to its exit status (124 when it is still
# running). Not for $(...): a subshell cannot wait for its parent's children. And never a plain
# `wait`: that would also wait for Xvfb, which does not end.
wait_pid() {
  local pid=$1 secs=$2 i
  for ((i = 0; i < secs * 20; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  wait_rc=124
  kill -0 "$pid" 2>/dev/null && return
  wait_rc=0
  wait "$pid" || wait_rc=$?
}

# ---- programs ----
drive_exe=${QCDRIVE:+$(realpath "$QCDRIVE")}
cd "$work"
if [ -z "$drive_exe" ]; then
  drive_exe=$work/qcdrive.exe
  i686-w64-mingw32-g++-posix -std=c++17 -O2 -Wall -Wextra -Werror -DWIN32_LEAN_AND_MEAN -DNOMINMAX \
    -D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -o "$drive_exe" "$here/driver.cpp" -static \
    -luser32 -lgdi32 -lshell32
fi
cat >qcmsgbox.c <<'EOF'
#include <stdlib.h>
#include <windows.h>
int main(int argc, char** argv) {
  return MessageBoxA(NULL, argc > 1 ? argv[1] : "hello", "Quorin Cleaner", argc > 2 ? atoi(argv[2]) : 48);
}
EOF
cat >qcdrives.c <<'EOF'
#include <stdio.h>
#include <windows.h>
int main(void) {
  DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (mask & (1u << i)) putchar('a' + i);
  putchar('\n');
  return 0;
}
EOF
for p in qcmsgbox qcdrives; do
  i686-w64-mingw32-gcc-posix -O2 -Wall -Wextra -Werror -static -o "$p.exe" "$p.c"
done

# ---- environment ----
# From here on a failing check is counted, not fatal; what the rest cannot do without ends the run.
set +e
qc_wine_env "$work/prefix" || exit 1
check "wine environment" "win64|-all|mscoree,mshtml=|UTC" "$WINEARCH|$WINEDEBUG|$WINEDLLOVERRIDES|$TZ"
t=$(now)
qc_wine_prefix_init || { bad "prefix init"; exit 1; }
echo "# first prefix init: $(elapsed "$t") s"
t=$(now)
qc_wine_prefix_init || bad "second prefix init"
echo "# second prefix init: $(elapsed "$t") s"
if [ -f "$WINEPREFIX/.qc-prefix-ready" ] && [ -f "$WINEPREFIX/system.reg" ]; then
  ok "prefix initialised and stamped"
else
  bad "prefix not initialised"
fi
managed=$(qc_timeout 60 "$QC_WINE" reg query 'HKCU\Software\Wine\X11 Driver' /v Managed 2>/dev/null |
  tr -d '\r' | awk '$1 == "Managed" { print $3 }')
check "X11 Driver Managed" "N" "$managed"
crash=$(qc_timeout 60 "$QC_WINE" reg query 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog 2>/dev/null |
  tr -d '\r' | awk '$1 == "ShowCrashDialog" { print $3 }')
check "WineDbg ShowCrashDialog" "0x0" "$crash"

t=$(now)
qc_wine_drives "$work/drives" || bad "qc_wine_drives failed"
echo "# drive mapping + wineserver restart: $(elapsed "$t") s"
check "GetLogicalDrives after mapping" "cdefghijklmnopz" \
  "$(qc_timeout 60 "$QC_WINE" ./qcdrives.exe | tr -d '\r')"
echo decoy >"$work/drives/p/decoy.txt"
check "p: shows its scratch folder" "decoy" \
  "$(qc_timeout 60 "$QC_WINE" cmd /c 'type p:\decoy.txt' </dev/null 2>/dev/null | tr -d '\r')"

qc_xvfb_start || { bad "qc_xvfb_start"; exit 1; }
xvfb_pid=${QC_XVFB_PID:-}
if _qc_display_works; then
  ok "X display $DISPLAY works${xvfb_pid:+ (our Xvfb, pid $xvfb_pid)}"
else
  bad "no working X display"
fi

drv() { qc_timeout 60 "$QC_WINE" "$drive_exe" "$@"; }
# drv_rc CMD...: the driver's exit status alone
drv_rc() {
  local rc=0
  drv "$@" >/dev/null 2>&1 || rc=$?
  echo "$rc"
}

check "usage error exits 2" 2 "$(drv_rc bogus)"
check "wait-window times out with 1" 1 "$(drv_rc wait-window "No Such Window" 300)"

# ---- notepad ----
np="Untitled - Notepad"
t=$(now)
"$QC_WINE" notepad </dev/null >"$work/notepad.log" 2>&1 &
np_pid=$!
if drv wait-window "$np" 30000 >/dev/null; then
  ok "notepad window \"$np\" visible after $(elapsed "$t") s"
else
  bad "notepad window \"$np\" did not appear"
fi

IFS='|' read -r style _ client size pid <<<"$(drv window "$np")"
if (( (style & 0x00040000) != 0 )) && [[ $client =~ ^[0-9]+,[0-9]+$ ]] && [[ $pid =~ ^[0-9]+$ ]]; then
  ok "window: resizable style, client $client, pid $pid"
else
  bad "window: unexpected style/client/pid '$style|$client|$pid'"
fi
check "resizable reports a sizing edge" "resizable|thickframe=1|maximizebox=1|minimizebox=1|sysmenu=1|edge=HTRIGHT" \
  "$(drv resizable "$np")"

controls=$(drv controls "$np")
edit=$(grep '^Edit|' <<<"$controls" || true)
if [[ $edit =~ ^Edit\|[0-9]+\|\|0,0,[0-9]+,[0-9]+\|0x[0-9A-F]{8}$ ]]; then
  ok "controls lists the empty edit at the client origin"
else
  bad "controls: no empty Edit at 0,0 in: $controls"
fi
check "focus is the empty edit" "" "$(drv focus "$np")"

drv key "$np" Q >/dev/null
drv key "$np" C post >/dev/null
typed=""
for _ in $(seq 50); do
  typed=$(drv focus "$np")
  [ "$typed" = "qc" ] && break
  sleep 0.1
done
check "keys reach the edit (SendInput, then posted)" "qc" "$typed"

drv screenshot "$np" "$work/notepad.bmp" >/dev/null
convert "$work/notepad.bmp" "$out/notepad.png"
shot=$(identify -format '%w,%h,%k' "$out/notepad.png")
if [ "${shot%,*}" = "$size" ] && [ "${shot##*,}" -gt 2 ]; then
  ok "screenshot $out/notepad.png is ${shot%,*} with ${shot##*,} colours"
else
  bad "screenshot: '$shot' (window $size)"
fi
# Window background (system colour 5) fills the edit; the active-title colour (2) is not in it.
window_rgb=$(drv syscolor 5)
title_rgb=$(drv syscolor 2)
inside=$(drv pixels "$np" qc "$window_rgb")
absent=$(drv pixels "$np" qc "$title_rgb")
if [ "$inside" -gt 1000 ] && [ "$absent" -eq 0 ] && [ "$window_rgb" != "$title_rgb" ]; then
  ok "edit shows $inside pixels of $window_rgb and none of $title_rgb"
else
  bad "edit pixels: $inside of '$window_rgb', $absent of '$title_rgb'"
fi

# A modified notepad asks before closing: answer No, then it must go away.
drv close "$np" >/dev/null
IFS='|' read -r title text icon <<<"$(drv msgbox Notepad 10000)"
if [ "$title" = "Notepad" ] && [[ $text == *modified* ]] && [ "$icon" = "question" ]; then
  ok "save prompt: question icon, '$text'"
else
  bad "save prompt: '$title|$text|$icon'"
fi
drv click Notepad No >/dev/null
check "notepad closed" 0 "$(drv_rc wait-gone "$np" 10000)"
wait_pid "$np_pid" 20
check "notepad process ended" 0 "$wait_rc"

# ---- message boxes ----
# mbox FLAGS: starts the one-call message box program in the background, sets mb_pid
mbox() {
  "$QC_WINE" ./qcmsgbox.exe hello "$1" </dev/null >/dev/null 2>&1 &
  mb_pid=$!
}

mbox 48
check "msgbox: title, text and exclamation icon" "Quorin Cleaner|hello|exclamation" \
  "$(drv msgbox "Quorin Cleaner" 20000)"
check "no-msgbox fails while one is shown" 1 "$(drv_rc no-msgbox "Quorin Cleaner" 200)"
black=$(drv pixels "Quorin Cleaner" hello 000000)
magenta=$(drv pixels "Quorin Cleaner" hello FF00FF)
if [ "$black" -gt 0 ] && [ "$magenta" -eq 0 ]; then
  ok "pixels: $black black text pixels, no magenta"
else
  bad "pixels: black=$black magenta=$magenta"
fi
check "message box is fixed" "fixed|thickframe=0|maximizebox=0|minimizebox=0|sysmenu=1|edge=HTBORDER" \
  "$(drv resizable "Quorin Cleaner")"
check "OK button has the focus" "OK" "$(drv focus "Quorin Cleaner")"
drv screenshot "Quorin Cleaner" "$work/msgbox.bmp" >/dev/null && convert "$work/msgbox.bmp" "$out/msgbox.png"
check "msgbox-ok prints the text" "hello" "$(drv msgbox-ok "Quorin Cleaner" 5000)"
wait_pid "$mb_pid" 20
check "the box returned IDOK" 1 "$wait_rc"
check "no-msgbox passes once it is gone" 0 "$(drv_rc no-msgbox "Quorin Cleaner" 500)"

# The other icons, each box answered a different way.
for row in "16 hand click" "32 question input" "64 information post" "0 none post-return"; do
  read -r flags want how <<<"$row"
  mbox "$flags"
  check "icon for flags $flags" "Quorin Cleaner|hello|$want" "$(drv msgbox "Quorin Cleaner" 20000)"
  case $how in
    click) drv click "Quorin Cleaner" OK >/dev/null ;;
    input) drv key "Quorin Cleaner" SPACE >/dev/null ;;
    post) drv key "Quorin Cleaner" SPACE post >/dev/null ;;
    post-return) drv key "Quorin Cleaner" RETURN post >/dev/null ;;
  esac
  wait_pid "$mb_pid" 20
  check "answered by $how" 1 "$wait_rc"
done

# ---- clean-up ----
qc_cleanup
xvfb_gone=yes
if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then xvfb_gone=no; fi
server_left=0
"$QC_WINESERVER" -k >/dev/null 2>&1 || server_left=$?
if [ "$xvfb_gone" = yes ] && [ "$server_left" -ne 0 ]; then
  ok "clean-up left no Xvfb and no wineserver of ours"
else
  bad "clean-up: xvfb_gone=$xvfb_gone, wineserver -k status $server_left"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
