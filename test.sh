#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test: a plain build, then the whole
# suite again under AddressSanitizer + UndefinedBehaviorSanitizer, then the worker tests
# under ThreadSanitizer and a bounded fuzzing run.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
scripts/install-deps.sh

jobs=$(nproc)
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
archives=$(scripts/find-archives.sh || true)

configure_build() {  # DIR [cmake options...]
  local dir=$1
  shift
  cmake -S . -B "$dir" "${generator[@]}" "${launcher[@]}" -DTANZEL_JAPANPOST_DIR="$archives" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  scripts/import-data.sh "$dir/bin" "$archives"
}

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "== formatting (.clang-format)"
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
fi
echo "== include rules"
scripts/check-includes.sh

echo "== plain build (Release, as ./run.sh builds it)"
configure_build build -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build --output-on-failure -j "$jobs" | tee -a "$summary"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
configure_build build-asan -DCMAKE_BUILD_TYPE=Debug -DTANZEL_SANITIZE=address,undefined -DTANZEL_BUILD_BENCH=OFF
ctest --test-dir build-asan --output-on-failure -j "$jobs" | tee -a "$summary"

if [ -x scripts/test-extra.sh ]; then
  scripts/test-extra.sh | tee -a "$summary"
fi
# Every run above stops the script on a failure, so reaching here means all passed.
passed=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$summary" | awk '{s += $1} END {print s + 0}')
echo "== all test runs passed, the fuzzing run included"
echo "ctest: $passed passed, 0 failed"
