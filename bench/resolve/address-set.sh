#!/usr/bin/env bash
# The steps the address benchmarks share (messy-addresses.sh, reading-addresses.sh):
#   bench/resolve/address-set.sh GENERATOR BUILDDIR [MAKE_ARGS...]
# GENERATOR is a generator of this folder (messy_addresses, reading_addresses). Imports the
# archives into BUILDDIR/bin when needed, has the generator write its addresses to
# BUILDDIR/messy/GENERATOR.tsv (made from the archives: never commit them), with MAKE_ARGS
# after the archive folder and that file, and scores them; exits as the score does. Set
# VERBOSE=1 to list the misses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
generator=$1
build=$2
shift 2
archives=$("$root/scripts/find-archives.sh")
if [ -z "$archives" ]; then
  echo "$generator: Japan Post's archives not found" >&2
  exit 2
fi
"$root/scripts/import-data.sh" "$build/bin" "$archives"
mkdir -p "$build/messy"
python3 "$here/$generator.py" make "$archives" "$build/messy/$generator.tsv" "$@"
python3 "$here/$generator.py" score "$build/messy/$generator.tsv" "$build/bin/tanzel-search" "$build/bin" \
  ${VERBOSE:+-v}
