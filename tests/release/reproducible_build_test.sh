#!/usr/bin/env bash
# Anyone can confirm that a published program came from this source only if a build gives the
# same bytes wherever and whenever it runs. The tree is copied to another folder and built into
# another build folder; the program and its debug file (whose checksum the program carries in
# its debug link) must equal those of the build under test, byte for byte.
#   reproducible_build_test.sh WIN_BUILD_DIR SCRATCH_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
first=${1:?usage: reproducible_build_test.sh WIN_BUILD_DIR SCRATCH_DIR}
scratch=${2:?usage: reproducible_build_test.sh WIN_BUILD_DIR SCRATCH_DIR}
copy=$scratch/another-copy-of-the-tree
rm -rf "$copy"
mkdir -p "$copy"
# Copies keep their times, so a second run rebuilds only what changed.
(cd "$root" && cp -a CMakeLists.txt cmake scripts src tests bench docs "$copy/")
start=$SECONDS
QC_BUILD_DIR=$scratch/build bash "$copy/scripts/build.sh" --program-only >"$scratch/build.log"
echo "second build: $((SECONDS - start)) s"
status=0
for f in "Quorin Cleaner.exe" "Quorin Cleaner.debug"; do
  a=$(sha256sum <"$first/$f")
  b=$(sha256sum <"$scratch/build/win/$f")
  echo "$f: ${a%% *} ${b%% *}"
  [ "$a" = "$b" ] || { echo "  differs between the two builds" >&2; status=1; }
done
exit $status
