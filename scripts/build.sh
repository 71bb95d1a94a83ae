#!/usr/bin/env bash
# Configures and builds both trees: the Windows program with its Wine tests (build/win) and the
# native logic with its unit tests (build/native). Used by run.sh, test.sh and release.sh.
#   --product-only      the Windows tree only
#   --program-only      "Quorin Cleaner.exe" (and its debug file) alone, in the Windows tree
#   --runnable-program  the program alone, in the tree whose programs this machine can run
#   --wine-tree-only    the Windows tree whose programs this machine can run, whole
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QC_BUILD_DIR:-$root/build}
jobs=${QC_JOBS:-2}
source "$root/scripts/wine/env.sh"

# windows_tree DIR ARCH [TARGET...]: configures DIR for ARCH (i686 or x86_64), builds the targets
# or everything.
windows_tree() {
  local dir=$1 arch=$2
  shift 2
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" >/dev/null
  cmake --build "$dir" -j "$jobs" ${1:+--target "$@"}
}

# On a machine that cannot run 32-bit programs, what runs under Wine is a 64-bit build of the same
# sources (build/win64); the product and its hardening checks stay 32-bit (build/win).
wine_build=$build/win wine_arch=i686
if ! qc_runs_32bit; then wine_build=$build/win64 wine_arch=x86_64; fi

case ${1:-} in
  --program-only) windows_tree "$build/win" i686 quorin_cleaner; exit 0 ;;
  --runnable-program) windows_tree "$wine_build" "$wine_arch" quorin_cleaner; exit 0 ;;
  --wine-tree-only) windows_tree "$wine_build" "$wine_arch"; exit 0 ;;
esac
# Where the 32-bit tree cannot run here, only its program is needed (the hardening checks and the
# release read it), and the 64-bit copy only needs what the Wine and window tests run.
if [ "$wine_build" = "$build/win" ] || [ "${1:-}" = "--product-only" ]; then
  windows_tree "$build/win" i686
else
  windows_tree "$build/win" i686 quorin_cleaner
  windows_tree "$wine_build" "$wine_arch" quorin_cleaner qc_win32_tests qcdrive qc_planted
fi
[ "${1:-}" = "--product-only" ] && exit 0
cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQC_WIN_BUILD_DIR="$build/win" -DQC_WINE_BUILD_DIR="$wine_build" >/dev/null
cmake --build "$build/native" -j "$jobs"
