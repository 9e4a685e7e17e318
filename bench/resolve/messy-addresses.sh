#!/usr/bin/env bash
# The resolver on addresses as people write them, by kind (see messy_addresses.py):
#   bench/resolve/messy-addresses.sh [BUILDDIR] [PER_KIND]
# Imports the archives into BUILDDIR/bin when needed, writes the addresses to
# BUILDDIR/messy/ (made from the archives: never commit them) and prints how many of each
# kind were right; exits 1 below 99% overall. Set VERBOSE=1 to list the misses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/address-set.sh" messy_addresses "${1:-$here/../../build-dev}" "${2:-200}"
