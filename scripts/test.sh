#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test; then builds the host tests under
# AddressSanitizer and UndefinedBehaviorSanitizer and runs them too; then cross-builds the Windows
# kyla.exe and runs its tests under wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

bash scripts/test-windows.sh
