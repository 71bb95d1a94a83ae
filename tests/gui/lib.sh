# shellcheck shell=bash
# Shared by the GUI tests: a Wine prefix and display (scripts/test.sh provides them; run alone, a
# test makes its own), the driver, the program under test, and checks ending with "N passed, N failed".
set -euo pipefail
QC_GUI_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QC_WIN_DIR=$(cd "${1:?usage: $0 WIN_BUILD_DIR}" && pwd)
QC_CAPTION="Quorin Virus Cleaner"
# shellcheck source=../../scripts/wine/env.sh
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
  local name=$1
  shift
  if "$@" >/dev/null; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name" >&2; fi
}
expect_eq() {  # expect_eq NAME ACTUAL EXPECTED
  check "$1"$'\n  got:      '"$2"$'\n  expected: '"$3" test "$2" = "$3"
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

drive() { (cd "$QC_WIN_DIR" && qc_timeout 60 "$QC_WINE" qcdrive.exe "$@" </dev/null 2>/dev/null | tr -d '\r'); }
label() { drive controls "$QC_CAPTION" | awk -F'|' -v id="$1" '$2==id {print $3}'; }
shows() {  # shows TEXT [MS]: Label2 reads TEXT within MS (2000) milliseconds
  local end=$(($(date +%s%3N) + ${2:-2000}))
  until [ "$(label 103)" = "$1" ]; do [ "$(date +%s%3N)" -lt $end ] || return 1; sleep 0.05; done
}

QC_APP_PID=
start_app() {
  (cd "$QC_WIN_DIR" && exec "$QC_WINE" "$QC_WIN_DIR/Quorin Cleaner.exe") </dev/null >/dev/null 2>&1 &
  QC_APP_PID=$!
}
app_running() { [ -n "$QC_APP_PID" ] && kill -0 "$QC_APP_PID" 2>/dev/null; }
app_ends() {  # within ten seconds
  for _ in $(seq 1 100); do app_running || return 0; sleep 0.1; done
  return 1
}
stop_app() {
  drive close "$QC_CAPTION" || true
  app_ends || kill "$QC_APP_PID" 2>/dev/null || true
  QC_APP_PID=
}
