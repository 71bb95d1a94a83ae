# shellcheck shell=bash
# Shared by the GUI tests: a Wine prefix and display (scripts/test.sh provides them; run alone, a
# test makes its own), the driver, the program under test, and pass/fail bookkeeping that ends
# with the line "N passed, N failed".
set -euo pipefail

QC_GUI_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QC_WIN_DIR=${1:?usage: $0 WIN_BUILD_DIR}
QC_WIN_DIR=$(cd "$QC_WIN_DIR" && pwd)
QC_EXE="$QC_WIN_DIR/Quorin Cleaner.exe"
QC_CAPTION="Quorin Virus Cleaner"
QC_ARTIFACTS=${QC_ARTIFACTS:-$QC_WIN_DIR/artifacts}
mkdir -p "$QC_ARTIFACTS"
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

passed=0
failed=0
check() {  # check NAME COMMAND...  (passes when the command succeeds)
  local name=$1
  shift
  if "$@" >/dev/null; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $name" >&2
  fi
}
expect_eq() {  # expect_eq NAME ACTUAL EXPECTED
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAIL: %s\n  got:      %s\n  expected: %s\n' "$1" "$2" "$3" >&2
  fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

drive() { (cd "$QC_WIN_DIR" && qc_timeout 60 "$QC_WINE" qcdrive.exe "$@" 2>/dev/null | tr -d '\r'); }

QC_APP_PID=
start_app() {
  (cd "$QC_WIN_DIR" && exec "$QC_WINE" "$QC_EXE") </dev/null >/dev/null 2>&1 &
  QC_APP_PID=$!
}
stop_app() {
  drive close "$QC_CAPTION" >/dev/null || true
  drive wait-gone "$QC_CAPTION" 5000 >/dev/null || true
  if [ -n "$QC_APP_PID" ]; then
    for _ in $(seq 1 50); do kill -0 "$QC_APP_PID" 2>/dev/null || break; sleep 0.1; done
    kill "$QC_APP_PID" 2>/dev/null || true
  fi
  QC_APP_PID=
}
app_running() { [ -n "$QC_APP_PID" ] && kill -0 "$QC_APP_PID" 2>/dev/null; }

# Within one pixel: "l,t,w,h" against "l,t,w,h".
rect_near() {
  local IFS=,
  # shellcheck disable=SC2206
  local a=($1) b=($2) i
  for i in 0 1 2 3; do
    local d=$((a[i] - b[i]))
    [ "${d#-}" -le 1 ] || return 1
  done
}
