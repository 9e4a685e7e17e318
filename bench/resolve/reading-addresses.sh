#!/usr/bin/env bash
# The resolver on addresses as office lists and web forms carry them, by kind (see
# reading_addresses.py):
#   bench/resolve/reading-addresses.sh [BUILDDIR] [PER_KIND] [SEED]
# Imports the archives into BUILDDIR/bin when needed, writes the addresses to
# BUILDDIR/messy/ (made from the archives: never commit them) and prints how many of each
# kind were right and how many sure codes were wrong; exits 1 below 99% overall, below 97%
# in a kind, or on any sure code that is wrong. Set VERBOSE=1 to list the misses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build-dev}
per_kind=${2:-250}
seed=${3:-28}
archives=$("$root/scripts/find-archives.sh")
if [ -z "$archives" ]; then
  echo "reading-addresses.sh: Japan Post's archives not found" >&2
  exit 2
fi
"$root/scripts/import-data.sh" "$build/bin" "$archives"
mkdir -p "$build/messy"
python3 "$here/reading_addresses.py" make "$archives" "$build/messy/readings.tsv" "$per_kind" "$seed"
python3 "$here/reading_addresses.py" score "$build/messy/readings.tsv" "$build/bin/tanzel-search" "$build/bin" \
  ${VERBOSE:+-v}
