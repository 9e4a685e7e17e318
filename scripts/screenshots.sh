#!/usr/bin/env bash
# Renders every window of the program to PNG files: scripts/screenshots.sh OUTDIR [BUILDDIR]
# Without BUILDDIR it builds the renderer in build-screenshots (only what it needs) and
# renders on the data that ./run.sh (build-release) or a test build (build) imported.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
  -h | --help)
    echo "usage: scripts/screenshots.sh OUTDIR [BUILDDIR]"
    echo "Renders every window to OUTDIR/*.png (needs the data imported by ./run.sh or a test build)."
    exit 0
    ;;
  "")
    echo "usage: scripts/screenshots.sh OUTDIR [BUILDDIR]" >&2
    exit 2
    ;;
esac
out=$1
build=${2:-}
if [[ -z $build ]]; then
  build=$here/build-screenshots
  if [[ ! -f $build/CMakeCache.txt ]]; then
    generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$here" -B "$build" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release -DTANZEL_BUILD_TESTS=ON \
      -DTANZEL_BUILD_BENCH=OFF >/dev/null
  fi
fi
if ! cmake --build "$build" --target tanzel-screenshots >/dev/null; then
  echo "screenshots.sh: cannot build tanzel-screenshots in $build (a build with -DTANZEL_BUILD_TESTS=ON)" >&2
  exit 1
fi
# The data: beside the renderer, else what ./run.sh or a test build imported.
data=
for dir in "$build/bin" "$here/build-release/bin" "$here/build/bin"; do
  if [[ -e $dir/current/KEN13.CSV || -e $dir/KEN13.CSV ]]; then
    data=$dir
    break
  fi
done
[[ -n $data ]] || echo "screenshots.sh: no imported data found (run ./run.sh first): windows rendered empty" >&2
# SCREENSHOT_OPTIONS: options of the renderer (--small for palette pictures).
# shellcheck disable=SC2086
QT_QPA_PLATFORM=offscreen "$build/bin/tanzel-screenshots" ${SCREENSHOT_OPTIONS:-} "$out" ${data:+"$data"}
