#!/usr/bin/env bash
# Extra test runs after the plain and the AddressSanitizer runs of ./test.sh:
#  1. the search worker tests (ctest label "thread") under ThreadSanitizer, in build-tsan;
#  2. a bounded libFuzzer run over the search's line framing, splitting and matching,
#     built with clang++ and AddressSanitizer + UndefinedBehaviorSanitizer, in build-fuzz.
# FUZZ_SECONDS (default 60) bounds the fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# Sanitizer runtimes of some compilers refuse the kernel's widest address randomisation;
# run without it where setarch allows.
norandom=()
if command -v setarch >/dev/null && setarch "$(uname -m)" -R true 2>/dev/null; then
  norandom=(setarch "$(uname -m)" -R)
fi

echo "== ThreadSanitizer: search worker"
cmake -S . -B build-tsan "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTANZEL_SANITIZE=thread -DTANZEL_BUILD_GUI=OFF -DTANZEL_BUILD_BENCH=OFF >/dev/null
# Build exactly the tests labelled "thread" (a test is named after its target).
mapfile -t thread_tests < <(ctest --test-dir build-tsan -N -L thread | sed -n 's/^ *Test *#[0-9]*: *//p')
if [ "${#thread_tests[@]}" -eq 0 ]; then
  echo "no tests labelled thread" >&2
  exit 1
fi
cmake --build build-tsan -j "$jobs" --target "${thread_tests[@]}"
# Qt is not built with ThreadSanitizer: what its own code does (QtTest's watchdog thread,
# synchronised by futex-based mutexes TSan cannot see) is not checked, and the races it is
# known for are suppressed; the program's and the tests' code is checked. The service test runs
# the command line through QProcess and starts server threads afterwards, which TSan refuses by
# default after a fork even though the child execs at once.
TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 second_deadlock_stack=1 ignore_noninstrumented_modules=1 suppressions=$(pwd)/tests/tsan.supp" \
  "${norandom[@]}" ctest --test-dir build-tsan -L thread --output-on-failure

echo "== libFuzzer: search framing, splitting and matching; the web service's request handling"
if ! command -v clang++ >/dev/null; then
  echo "clang++ is needed for the fuzzing run" >&2
  exit 1
fi
cmake -S . -B build-fuzz "${generator[@]}" "${launcher[@]}" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTANZEL_SANITIZE=address,undefined \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link -DTANZEL_BUILD_GUI=OFF -DTANZEL_BUILD_BENCH=OFF \
  -DTANZEL_BUILD_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$jobs" --target fuzz_search fuzz_serve
# The fuzzing time is shared: two thirds for the search, a third for the service.
fuzz_seconds=${FUZZ_SECONDS:-60}
fuzz() {  # TARGET SECONDS MAX_LEN SEEDS
  local corpus=build-fuzz/fuzz/corpus-$1
  mkdir -p "$corpus"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "${norandom[@]}" "build-fuzz/fuzz/$1" -max_total_time="$2" -max_len="$3" -print_final_stats=1 -artifact_prefix=build-fuzz/fuzz/ "$corpus" "$4"
}
fuzz fuzz_search $((fuzz_seconds * 2 / 3)) 4200 tests/fuzz/seeds
fuzz fuzz_serve $((fuzz_seconds - fuzz_seconds * 2 / 3)) 16384 tests/fuzz/serve-seeds
echo "== extra test runs passed"
