#!/usr/bin/env bash
# Builds the Debian package (build/v6uvuv_VERSION-1_ARCH.deb) from the same
# build folder as ./test.sh, checks it the way Debian does (lintian, the
# desktop entry, the AppStream file) and runs scripts/install-test.sh on it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build >/dev/null

desktop-file-validate data/v6uvuv.desktop
appstreamcli validate --no-net data/org.v6uvuv.v6uvuv.metainfo.xml >/dev/null

rm -f build/v6uvuv_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(echo build/v6uvuv_*.deb)
# Root runs it on the build machines; lintian only says it is not advised.
status=0
report=$(lintian --fail-on error,warning "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$report" || true
[ "$status" -eq 0 ] || { echo "package: lintian found faults" >&2; exit 1; }
./scripts/install-test.sh "$deb"
echo "package: $deb"
