#!/usr/bin/env bash
# Runs one Windows test program under Wine from a neutral folder and passes its exit status on.
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
qc_timeout "${QC_TEST_TIMEOUT:-500}" "$QC_WINE" "$exe" "$@"
