#!/usr/bin/env bash
# Prints the folder that holds Japan Post's archives (ken_all.zip, jigyosyo.zip).
# Looks in $TANZEL_JAPANPOST_DIR, data/japanpost/ of the checkout, ../shared/data/japanpost/.
# With --download, fetches them into data/japanpost/ when none has them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
has() { [ -n "$1" ] && [ -f "$1/jigyosyo.zip" ] && { [ -f "$1/ken_all.zip" ] || [ -f "$1/utf_ken_all.zip" ]; }; }
for dir in "${TANZEL_JAPANPOST_DIR:-}" "$root/data/japanpost" "$root/../shared/data/japanpost"; do
  if has "$dir"; then
    (cd "$dir" && pwd)
    exit 0
  fi
done
if [ "${1:-}" = "--download" ]; then
  dest=$root/data/japanpost
  base=https://www.post.japanpost.jp/service/search/zipcode/download
  mkdir -p "$dest"
  echo "Downloading Japan Post's archives into $dest" >&2
  if curl -fsSL -o "$dest/ken_all.zip.part" "$base/kogaki/zip/ken_all.zip" &&
    curl -fsSL -o "$dest/jigyosyo.zip.part" "$base/office/zip/jigyosyo.zip"; then
    mv "$dest/ken_all.zip.part" "$dest/ken_all.zip"
    mv "$dest/jigyosyo.zip.part" "$dest/jigyosyo.zip"
    echo "$dest"
    exit 0
  fi
  rm -f "$dest"/*.part
  echo "Could not download the postal data. Put ken_all.zip and jigyosyo.zip from Japan Post's" >&2
  echo "postal-code download page into $dest (or set TANZEL_JAPANPOST_DIR) and run again." >&2
  exit 1
fi
echo "Japan Post's archives not found" >&2
exit 1
