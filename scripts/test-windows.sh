#!/usr/bin/env bash
# The Windows build and its tests: installs the mingw-w64 toolchain and wine, cross-builds
# kyla.exe, the host unit tests and the release archive (kyla-windows.zip) into build-windows/,
# and runs the tests under wine: the unit tests, where kyla.exe keeps its data, the archive's
# contents, and a smoke run of kyla.exe on a private 1920x1080 X server.
#
# KYLA_WINDOWS_BUILD_DIR picks another build folder; KYLA_RELEASE_SOUNDTRACK names the WAV file to
# ship in the archive. By default that is the soundtrack the Linux build generated (build/), and a
# test tone where there is none.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh windows
build=${KYLA_WINDOWS_BUILD_DIR:-build-windows}
generated=build/tools/soundtrack/brimvale-tarnel.wav
[ -f "$generated" ] && : "${KYLA_RELEASE_SOUNDTRACK:=$PWD/$generated}"
jobs=$(nproc)

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYLA_RELEASE_SOUNDTRACK="${KYLA_RELEASE_SOUNDTRACK:-}"
cmake --build "$build" -j "$jobs"
cmake --build "$build" --target release

status=0
ctest --test-dir "$build" -j "$jobs" --output-on-failure || status=$?
# The build's wineserver would otherwise linger for a minute.
WINEPREFIX="$(cd "$build" && pwd)/wine-prefix" wineserver -k 2>/dev/null || true
exit $status
