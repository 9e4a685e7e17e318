#!/usr/bin/env bash
# Renders every window of the program to PNG files: scripts/screenshots.sh OUTDIR [BUILDDIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: scripts/screenshots.sh OUTDIR [BUILDDIR]}
build=${2:-$here/build}
cmake --build "$build" --target tanzel-screenshots >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bin/tanzel-screenshots" "$out"
