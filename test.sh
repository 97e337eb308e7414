#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds the game and runs every test: once in a normal build and once
# with AddressSanitizer and UndefinedBehaviorSanitizer. `./test.sh --quick` skips the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

if [ "${1:-}" != "--quick" ]; then
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUORBIT_SANITIZE=ON -DQUORBIT_BENCH=OFF
  cmake --build build-asan -j"$jobs"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"
fi
