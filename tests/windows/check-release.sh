#!/usr/bin/env bash
# Builds the release archive and checks it: kyla/ holding kyla.exe (the one just built), the
# soundtrack (a RIFF WAVE file) and kyla.txt, nothing else.
# usage: check-release.sh BUILD_DIR KYLA_EXE
set -euo pipefail
build_dir=$1 kyla_exe=$2
cmake --build "$build_dir" --target release >/dev/null
zip=$build_dir/kyla-windows.zip
listing=$(cmake -E tar tf "$zip" | sort | tr '\n' ' ')
expected="kyla/brimvale-tarnel.wav kyla/kyla.exe kyla/kyla.txt "
[ "$listing" = "$expected" ] || { echo "check-release: $zip holds: $listing; expected: $expected"; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$scratch" && cmake -E tar xf "$zip")
cmp -s "$scratch/kyla/kyla.exe" "$kyla_exe" || { echo "check-release: kyla.exe in the archive is not the built one"; exit 1; }
[ "$(head -c 4 "$scratch/kyla/brimvale-tarnel.wav")" = RIFF ] || { echo "check-release: the soundtrack is not a WAV file"; exit 1; }
echo "check-release: $zip holds kyla.exe, brimvale-tarnel.wav ($(stat -c %s "$scratch/kyla/brimvale-tarnel.wav") bytes) and kyla.txt"
