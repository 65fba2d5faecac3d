#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libsdl2-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-alsa
  libegl-dev libgl-dev libgl1-mesa-dri libegl-mesa0
  libgtest-dev googletest
  glslang-tools
  xvfb xdotool x11-utils
  ffmpeg
  libpng-dev
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${packages[@]}"
