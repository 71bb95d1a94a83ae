#!/usr/bin/env bash
# Refreshes the README's picture of the window (docs/window.png): runs the cleaner on Xvfb as
# run.sh does without a display, then stores its screenshot small and without time chunks.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QC_BUILD_DIR:-$root/build}

env -u DISPLAY bash "$root/scripts/run.sh"
convert "$build/screenshot.png" -strip -define png:exclude-chunks=date,time "$root/docs/window.png"
echo "Updated $root/docs/window.png"
