#!/usr/bin/env bash
# The resolver on addresses as people write them, by kind (see messy_addresses.py):
#   bench/resolve/messy-addresses.sh [BUILDDIR] [PER_KIND]
# Imports the archives into BUILDDIR/bin when needed, writes the addresses to
# BUILDDIR/messy/ (made from the archives: never commit them) and prints how many of each
# kind were right; exits 1 below 99% overall. Set VERBOSE=1 to list the misses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build-dev}
per_kind=${2:-200}
archives=$("$root/scripts/find-archives.sh")
if [ -z "$archives" ]; then
  echo "messy-addresses.sh: Japan Post's archives not found" >&2
  exit 2
fi
"$root/scripts/import-data.sh" "$build/bin" "$archives"
mkdir -p "$build/messy"
python3 "$here/messy_addresses.py" make "$archives" "$build/messy/messy.tsv" "$per_kind"
python3 "$here/messy_addresses.py" score "$build/messy/messy.tsv" "$build/bin/tanzel-search" "$build/bin" \
  ${VERBOSE:+-v}
