#!/usr/bin/env bash
# Configures and builds both trees: the Windows program with its Wine tests (build/win) and the
# native logic with its unit tests (build/native). Used by run.sh, test.sh and release.sh.
#   --product-only   the Windows tree only
#   --program-only   "Quorin Cleaner.exe" (and its debug file) alone, in the Windows tree
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QC_BUILD_DIR:-$root/build}
jobs=${QC_JOBS:-2}

cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
if [ "${1:-}" = "--program-only" ]; then
  cmake --build "$build/win" -j "$jobs" --target quorin_cleaner
  exit 0
fi
cmake --build "$build/win" -j "$jobs"
if [ "${1:-}" != "--product-only" ]; then
  cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DQC_WIN_BUILD_DIR="$build/win" >/dev/null
  cmake --build "$build/native" -j "$jobs"
fi
