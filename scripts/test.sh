#!/usr/bin/env bash
# The test command: installs what is missing, builds with warnings as errors
# under AddressSanitizer and UndefinedBehaviorSanitizer and runs every test
# (end-to-end tests in network namespaces need root; without root they skip),
# then builds under ThreadSanitizer and runs the tests of the threaded code,
# and last builds the Debian packages and checks them installed (as root).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DNUV_WERROR=ON \
  -DNUV_SANITIZE=address,undefined -DNUV_BENCHMARKS=OFF
cmake --build build/asan -j"$jobs"
ctest --test-dir build/asan --output-on-failure -j"$jobs" --timeout 600

cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DNUV_WERROR=ON \
  -DNUV_SANITIZE=thread -DNUV_BENCHMARKS=OFF
cmake --build build/tsan -j"$jobs" --target unit_tests
# The threaded code: the heartbeat and the exchanges it shares a Camera with,
# and the pool that runs apply's rows.
TSAN_OPTIONS=halt_on_error=1 build/tsan/unit_tests --gtest_filter='*Heartbeat*:*Threads*:*JobPool*'

scripts/package-test.sh
echo "all tests passed"
