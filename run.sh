#!/usr/bin/env bash
# Installs what is missing, builds and starts the program: the main window
# (v6uvuv); arguments go to it (a configuration file to open). Without a
# display it says so: the command line (build/apps/v6uvuv-cli) works without.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build >/dev/null
exec build/apps/v6uvuv "$@"
