#!/usr/bin/env bash
# Builds the core, the programs and their tests (no windows) with
# ThreadSanitizer in build-tsan and runs those tests: the worker thread, Abort
# from another thread, the progress observer. A data race fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DV6UVUV_SANITIZE=thread -DV6UVUV_UI=OFF >/dev/null
cmake --build build-tsan
cd build-tsan
ctest --output-on-failure -j2
