#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests (also under the sanitizers), fuzz runs,
# static analysis, the hardening checks of the program, the Windows tests under Wine, and the
# window driven from outside under Xvfb (a short soak among them). Ends with ctest's summary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QC_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

# The unit tests again, and the fuzz targets, built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer; the native tree's ctest runs them.
CC=clang CXX=clang++ cmake -S "$root" -B "$build/sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQC_SANITIZE=ON >/dev/null
cmake --build "$build/sanitize" -j "${QC_JOBS:-2}"
cmake -S "$root" -B "$build/native" -DQC_SANITIZE_BUILD_DIR="$build/sanitize" >/dev/null

# One Wine prefix and one X server for the whole run; both are ended on exit.
source "$root/scripts/wine/env.sh"
qc_wine_env "$build/test-prefix"
if [ "$QC_WINE_ARCH" = x86_64 ]; then
  echo "test: this machine cannot run 32-bit programs; the Wine and window tests run the 64-bit build (build/win64)"
fi
unset DISPLAY  # never draw on a developer's desktop
qc_xvfb_start
trap qc_cleanup EXIT
qc_wine_prefix_init
"$QC_WINESERVER" -p60  # keep the server up between tests (no blank: "-p 60" means forever)
export QC_BUILD_DIR=$build QC_ROOT=$root

cd "$build/native"
ctest --output-on-failure -j "${QC_JOBS:-2}" "$@"
