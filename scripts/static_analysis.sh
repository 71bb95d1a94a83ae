#!/usr/bin/env bash
# Static analysis of src/ with the checked-in configuration; exits non-zero on any finding.
#   bash scripts/static_analysis.sh clang-tidy NATIVE_BUILD_DIR   (.clang-tidy; the tree's
#        compile_commands.json: the logic as the native build compiles it)
#   bash scripts/static_analysis.sh cppcheck NATIVE_BUILD_DIR     (the logic through the same
#        compile commands, then the Win32 backend on its own; suppressions in
#        tests/analysis/cppcheck-suppressions.txt)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:?usage: static_analysis.sh clang-tidy|cppcheck BUILD_DIR}
build=$(cd "${2:?usage: static_analysis.sh clang-tidy|cppcheck BUILD_DIR}" && pwd)
jobs=${QC_JOBS:-2}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json" >&2; exit 2; }

logic=()
for d in platform registry winapi app; do
  for f in "$root"/src/$d/*.cpp; do [ -e "$f" ] && logic+=("$f"); done
done

case $mode in
  clang-tidy)
    command -v clang-tidy >/dev/null || { echo "clang-tidy not installed" >&2; exit 2; }
    out=$(mktemp)
    trap 'rm -f "$out"' EXIT
    rc=0
    printf '%s\n' "${logic[@]}" |
      xargs -P "$jobs" -n 4 clang-tidy -p "$build" --quiet >"$out" 2>/dev/null || rc=$?
    # Findings are "file:line:col: warning|error: text [check]".
    findings=$(grep -cE '^/.*:[0-9]+:[0-9]+: (warning|error):' "$out" || true)
    if [ "$findings" -gt 0 ] || [ "$rc" -ne 0 ]; then
      grep -E '^/.*:[0-9]+:[0-9]+: (warning|error):' -A3 "$out" | head -200
      echo "clang-tidy: $findings findings in ${#logic[@]} files (status $rc)"
      exit 1
    fi
    echo "clang-tidy: ${#logic[@]} files, no findings"
    ;;
  cppcheck)
    command -v cppcheck >/dev/null || { echo "cppcheck not installed" >&2; exit 2; }
    common=(--std=c++17 --enable=warning,performance,portability --inline-suppr --quiet
            --error-exitcode=1 -j "$jobs" --suppress=missingIncludeSystem
            --suppressions-list="$root/tests/analysis/cppcheck-suppressions.txt"
            --cppcheck-build-dir="$(mkdir -p "$build/cppcheck" && echo "$build/cppcheck")")
    cppcheck "${common[@]}" --project="$build/compile_commands.json" --file-filter="$root/src/*"
    mkdir -p "$build/cppcheck-win32"
    common[-1]=--cppcheck-build-dir=$build/cppcheck-win32
    cppcheck "${common[@]}" -I "$root/src" -D_WIN32 -DWIN32_LEAN_AND_MEAN -DNOMINMAX \
      -D_WIN32_WINNT=0x0601 -DWINVER=0x0601 "$root/src/platform/win32"
    echo "cppcheck: no findings"
    ;;
  *)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac
