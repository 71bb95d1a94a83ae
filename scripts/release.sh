#!/usr/bin/env bash
# Builds a release of the committed tree into dist/:
#   dist/QuorinCleaner-<version>.zip   "Quorin Cleaner.exe", its SHA256SUMS and README.txt
#   dist/SHA256SUMS                    the zip's own checksum, to be published apart from it
# The build starts from an export of the current commit in a fresh folder, so the program comes
# from the commit alone. The unsigned program is byte for byte the same on every run (see the
# README); the zip too, since its entries carry the commit's time and fixed modes in a fixed order.
# When the environment names a code-signing key (scripts/sign.sh), the program is signed before
# its checksum is taken; removing that signature gives back the unsigned program exactly.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$root/build/release
dist=$root/dist

bash "$root/scripts/setup.sh"
cd "$root"
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "release: the tree has changes that are not committed; commit or stash them first" >&2
  exit 1
fi
commit=$(git rev-parse HEAD)
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)

rm -rf "$work"
mkdir -p "$work/src" "$work/stage"
git archive "$commit" | tar -x -C "$work/src"
QC_BUILD_DIR=$work/build bash "$work/src/scripts/build.sh" --program-only
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/build/win/CMakeCache.txt")
[ -n "$version" ] || { echo "release: no project version in the build" >&2; exit 1; }

stage=$work/stage
cp "$work/build/win/Quorin Cleaner.exe" "$stage/"
bash "$work/src/scripts/sign.sh" "$stage/Quorin Cleaner.exe"
# The build filled in the version and the oldest Windows; Windows' own editor wants CR LF.
sed -e 's/$/\r/' "$work/build/win/generated/README.txt" >"$stage/README.txt"
(cd "$stage" && sha256sum "Quorin Cleaner.exe" >SHA256SUMS)

zip_name=QuorinCleaner-$version.zip
chmod 0644 "$stage"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
rm -rf "$dist"
mkdir -p "$dist"
# -X: no owner or extra time fields; zip stores local time, so the zone is fixed too.
(cd "$stage" && TZ=UTC zip -X -q "$dist/$zip_name" "Quorin Cleaner.exe" README.txt SHA256SUMS)
(cd "$dist" && sha256sum "$zip_name" >SHA256SUMS)

(cd "$stage" && sha256sum -c --quiet SHA256SUMS)
(cd "$dist" && sha256sum -c --quiet SHA256SUMS)
echo "release: $dist/$zip_name (commit ${commit:0:12}, version $version)"
(cd "$stage" && sha256sum "Quorin Cleaner.exe")
cat "$dist/SHA256SUMS"
