#!/usr/bin/env bash
# The Windows build and its tests: installs the mingw-w64 toolchain and wine, cross-builds
# kyla.exe, the host unit tests and the release archive (kyla-windows.zip) into build-windows/,
# and runs the tests under wine: the unit tests, where kyla.exe keeps its data, the archive's
# contents, and a smoke run of kyla.exe on a private 1920x1080 X server.
#
# It uses the windows configure, build and test presets. KYLA_RELEASE_SOUNDTRACK names the WAV file
# to ship in the archive. By default that is the soundtrack the Linux build generated (build/), and
# a test tone where there is none.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh windows
generated=build/tools/soundtrack/brimvale-tarnel.wav
[ -f "$generated" ] && : "${KYLA_RELEASE_SOUNDTRACK:=$PWD/$generated}"
jobs=$(nproc)

cmake --preset windows -DKYLA_RELEASE_SOUNDTRACK="${KYLA_RELEASE_SOUNDTRACK:-}"
cmake --build --preset windows -j "$jobs"

status=0
ctest --preset windows -j "$jobs" || status=$?
# The build's wineserver would otherwise linger for a minute.
WINEPREFIX="$PWD/build-windows/wine-prefix" wineserver -k 2>/dev/null || true
exit $status
