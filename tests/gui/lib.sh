# shellcheck shell=bash
# Shared by the GUI tests: a Wine prefix and display (scripts/test.sh provides them; run alone, a
# test makes its own), the driver, the program under test, and checks ending with "N passed, N failed".
set -euo pipefail
QC_GUI_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QC_WIN_DIR=$(cd "${1:?usage: $0 WIN_BUILD_DIR}" && pwd)
CAPTION="Quorin Virus Cleaner"
RUN='Software\Microsoft\Windows\CurrentVersion\Run'
INFECTED="The virus exists and still running"
CLEAN="Virus Cleaned"
source "$QC_GUI_ROOT/scripts/wine/env.sh"
if [ -z "${WINEPREFIX:-}" ]; then
  qc_wine_env "$QC_WIN_DIR/../gui-prefix"
  unset DISPLAY
  qc_xvfb_start
  trap qc_cleanup EXIT
  qc_wine_prefix_init
else
  qc_wine_env "$WINEPREFIX"
fi

passed=0 failed=0
check() {  # check NAME COMMAND...  (passes when the command succeeds)
  if "${@:2}" >/dev/null; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAIL: $1" >&2; fi
}
expect_eq() {  # expect_eq NAME ACTUAL EXPECTED
  check "$1"$'\n  got:      '"$2"$'\n  expected: '"$3" test "$2" = "$3"
}
finish() { echo "$passed passed, $failed failed" && [ "$failed" -eq 0 ]; }
within() {  # within MS COMMAND...: the command succeeds within MS milliseconds
  local end=$(($(date +%s%3N) + $1))
  until "${@:2}" >/dev/null 2>&1; do [ "$(date +%s%3N)" -lt $end ] || return 1; sleep 0.05; done
}

# A Wine command run from a neutral folder, where no program of ours shadows Wine's own.
w() { (cd / && qc_timeout 60 "$QC_WINE" "$@" </dev/null 2>/dev/null | tr -d '\r'); }
drive() { w "$QC_WIN_DIR/qcdrive.exe" "$@"; }
label() { drive controls "$CAPTION" | awk -F'|' -v id="$1" '$2==id {print $3}'; }
label_is() { [ "$(label "$1")" = "$2" ]; }
absent() { ! drive controls "$1" 0; }  # no window of that caption, at one look
shows() { within "${2:-2000}" label_is 103 "$1"; }  # shows TEXT [MS]: the status line reads TEXT
coloured() {  # coloured TEXT RRGGBB OTHER: text pixels of exactly that colour, none of the other
  drive pixels "$CAPTION" "$1" "$2" "$3" | paste -sd' ' | awk '{exit !($1 > 50 && $2 == 0)}'
}
worm_value() {  # worm_value add|delete: the worm's SVCHOST in the machine's 64-bit Run key
  if [ "$1" = add ]; then w reg add "HKLM\\$RUN" /v SVCHOST /t REG_SZ /d 'c:\windows\svchost.exe' /f /reg:64
  else w reg delete "HKLM\\$RUN" /v SVCHOST /f /reg:64 || true; fi >/dev/null
}

QC_APP_PID=
start_app() { (cd "$QC_WIN_DIR" && exec "$QC_WINE" "Quorin Cleaner.exe") </dev/null >/dev/null 2>&1 & QC_APP_PID=$!; }
app_running() { [ -n "$QC_APP_PID" ] && kill -0 "$QC_APP_PID" 2>/dev/null; }
app_ends() { within 10000 eval '! app_running'; }
stop_app() {
  app_running || return 0
  drive close "$CAPTION" || true
  app_ends || kill "$QC_APP_PID" 2>/dev/null || true
  QC_APP_PID=
}
