#!/usr/bin/env bash
# Builds everything (core, windows, programs, tests) with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan and runs the whole suite there. A
# finding fails the test that met it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DV6UVUV_SANITIZE=address,undefined >/dev/null
cmake --build build-asan
cd build-asan
ctest --output-on-failure -j2
