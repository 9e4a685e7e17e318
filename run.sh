#!/usr/bin/env bash
# Installs what is missing, builds (Release), imports Japan Post's data beside the
# program when it is missing or older than the archives, and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S . -B build-release "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DTANZEL_BUILD_TESTS=OFF \
  -DTANZEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -j "$(nproc)"
archives=$(scripts/find-archives.sh --download)
scripts/import-data.sh build-release/bin "$archives"
exec build-release/bin/tanzel "$@"
