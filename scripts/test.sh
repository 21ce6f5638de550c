#!/bin/sh
# Sets everything up and runs every test: the engine built with
# AddressSanitizer and UndefinedBehaviorSanitizer, all suites under CTest,
# the install check, and a short run of each benchmark program.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh

build=${KESTO_TEST_BUILD:-build-test}
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTO_SANITIZE=ON
cmake --build "$build" -j "$jobs"
cd "$build"
ctest --output-on-failure -j "$jobs"
