#!/usr/bin/env bash
# Renders the pictures of the user guide (README.ja.md) into docs/images as small PNGs
# (8-bit palette): scripts/guide-images.sh [BUILDDIR], through scripts/screenshots.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
SCREENSHOT_OPTIONS=--small "$here/scripts/screenshots.sh" "$shots" "$@" >/dev/null
mkdir -p "$here/docs/images"
for name in main main_nodata main_tokyo_chiyoda map nmb7_chiyoda nmb7_copymenu view_chiyoda view_address \
  list update_source update_progress update_changes; do
  if [[ ! -f $shots/$name.png ]]; then
    echo "guide-images.sh: $name.png was not rendered (is the data imported?)" >&2
    exit 1
  fi
  cp "$shots/$name.png" "$here/docs/images/$name.png"
done
du -ch "$here"/docs/images/*.png | tail -1
