#!/usr/bin/env bash
# Runs one Windows test program under Wine from its own folder and passes its exit status on.
# Inside scripts/test.sh the prefix and display are ready; run alone it prepares its own.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$1
shift
source "$here/env.sh"
if [ -z "${WINEPREFIX:-}" ]; then
  qc_wine_env "${QC_BUILD_DIR:-$here/../../build}/test-prefix"
  qc_xvfb_start
  trap qc_cleanup EXIT
  qc_wine_prefix_init
else
  qc_wine_env "$WINEPREFIX"
fi
cd "$(dirname "$exe")"
# Wine's own background processes, started with the program, inherit its output and live on for as
# long as the server stays up (a minute after the last program): given our pipe, they would keep
# the caller (ctest) waiting that long. They get a file instead, shown when the program is done.
out=$(mktemp)
status=0
qc_timeout "${QC_TEST_TIMEOUT:-500}" "$QC_WINE" "$exe" "$@" >"$out" 2>&1 || status=$?
cat "$out"
rm -f "$out"
exit $status
