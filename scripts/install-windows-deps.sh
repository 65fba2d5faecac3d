#!/usr/bin/env bash
# Installs what the Windows build and its tests need: Debian's mingw-w64 cross toolchain (posix
# thread model), GoogleTest's sources to build with it, wine to run the results, and the X server,
# key sender and screen grabber that the smoke run of kyla.exe uses.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  cmake ninja-build zip
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  googletest
  wine wine64 gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  xvfb xdotool x11-apps python3
  libgl1-mesa-dri libglx-mesa0
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${packages[@]}"
