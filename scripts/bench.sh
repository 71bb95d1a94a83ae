#!/usr/bin/env bash
# Builds the Windows tree and runs every benchmark (build/win/bench_*.exe) under Wine, one after
# the other in one prefix, then prints one table of every ratio they reported (each measured
# against its baseline in the same run), the program's size and the machine it ran on. Each
# benchmark's full output is kept in build/bench/NAME.txt.
#   bash scripts/bench.sh [NAME ...]    (NAME: e.g. bench_startup; default: all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QC_BUILD_DIR:-$root/build}
out=$build/bench
mkdir -p "$out"

bash "$root/scripts/setup.sh" >/dev/null
bash "$root/scripts/build.sh" --product-only

source "$root/scripts/wine/env.sh"
qc_wine_env "$build/bench-prefix"
# Where 32-bit programs cannot run, the benchmarks of a 64-bit build of the same sources run; the
# table says so. The program's size is always the 32-bit product's.
dir=$build/win
if [ "$QC_WINE_ARCH" = x86_64 ]; then
  dir=$build/win64
  QC_BUILD_DIR=$build bash "$root/scripts/build.sh" --wine-tree-only
fi
unset DISPLAY  # never draw on a developer's desktop
qc_xvfb_start
trap qc_cleanup EXIT
qc_wine_prefix_init
qc_wine_drives "$build/bench-drives"
"$QC_WINESERVER" -p60

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for exe in "$dir"/bench_*.exe; do
    [ -e "$exe" ] && names+=("$(basename "$exe" .exe)")
  done
fi

table=()
failed=0
for name in "${names[@]}"; do
  echo "== $name"
  rc=0
  (cd "$dir" && qc_timeout 1800 "$QC_WINE" "./$name.exe" </dev/null 2>&1) | tr -d '\r' |
    tee "$out/$name.txt" || rc=$?
  if [ "$rc" -ne 0 ]; then
    failed=$((failed + 1))
    table+=("$name|FAILED (status $rc)")
    continue
  fi
  found=0
  while IFS= read -r line; do
    table+=("$name|$line")
    found=1
  done < <(grep -i '^ratio' "$out/$name.txt" || true)
  [ "$found" -eq 1 ] || table+=("$name|(no ratio reported; see $out/$name.txt)")
done

exe="$build/win/Quorin Cleaner.exe"
bytes=$(stat -c %s "$exe")
table+=("program size|Quorin Cleaner.exe: $bytes bytes, $(((bytes + 512) / 1024)) KB (aim <= 880 KB)")

model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
{
  echo
  echo "| benchmark | ratio (against its baseline in the same run) |"
  echo "| --- | --- |"
  for row in "${table[@]}"; do
    echo "| ${row%%|*} | ${row#*|} |"
  done
  echo
  echo "Machine: $(nproc) cores, ${model:-unknown processor}, $("$QC_WINE" --version 2>/dev/null), $(date -u +%Y-%m-%d); benchmarks built for $QC_WINE_ARCH."
} | tee "$out/table.md"
[ "$failed" -eq 0 ]
