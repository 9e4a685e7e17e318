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
exec "$here/address-set.sh" reading_addresses "${1:-$here/../../build-dev}" "${2:-250}" "${3:-28}"
