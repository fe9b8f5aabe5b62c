#!/usr/bin/env bash
# Builds everything (core, windows, programs, tests) with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and runs the
# whole suite there. A finding fails the test that met it; so does a warning
# of clang's, as one of g++'s does in the plain build.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DV6UVUV_WERROR=ON \
  -DV6UVUV_SANITIZE=address,undefined >/dev/null
cmake --build build-asan
cd build-asan
ctest --output-on-failure -j2
