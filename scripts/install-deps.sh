#!/usr/bin/env bash
# Makes sure the Debian packages for one kind of work are installed:
#   install-deps.sh demo      build and run the demo, the capture tool and the Debian package
#   install-deps.sh test      the above, and build and run the host tests
#   install-deps.sh windows   cross-build the Windows programs and run their tests under wine
# When every package is already there it does nothing else (no apt-get, no root needed). When
# some are missing it installs them with apt-get (as root, or through sudo); when that is not
# possible it names the missing packages and the command that installs them, and exits 1.
set -euo pipefail

demo_packages=(
  build-essential cmake ninja-build pkg-config file
  libsdl2-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-alsa
  libegl-dev libgl-dev libopengl-dev libgl1-mesa-dri libegl-mesa0
  libpng-dev
  x11-utils
)
test_packages=(
  "${demo_packages[@]}"
  libgtest-dev libgmock-dev
  glslang-tools
  xvfb xdotool
  ffmpeg
  pulseaudio pulseaudio-utils gstreamer1.0-pulseaudio
  slurm-wlm munge parallel
  debootstrap
)
windows_packages=(
  cmake ninja-build zip
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  googletest
  wine wine64 gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  xvfb xdotool x11-apps x11-utils python3
  libgl1-mesa-dri libglx-mesa0
)

case "${1:-}" in
  demo) wanted=("${demo_packages[@]}") ;;
  test) wanted=("${test_packages[@]}") ;;
  windows) wanted=("${windows_packages[@]}") ;;
  *) echo "usage: install-deps.sh demo|test|windows" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null) || status=""
  [ "$status" = installed ] || missing+=("$package")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
install_command="${sudo:+sudo }apt-get install --no-install-recommends ${missing[*]}"
cannot_install() {
  echo "install-deps: missing Debian packages: ${missing[*]} ($1); install them with: $install_command" >&2
  exit 1
}
command -v apt-get >/dev/null || cannot_install "there is no apt-get here"
[ -z "$sudo" ] || command -v sudo >/dev/null || cannot_install "not root and there is no sudo"

apt() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }
echo "install-deps: installing ${missing[*]}" >&2
apt update -q || cannot_install "apt-get update failed"
apt install -y -q --no-install-recommends "${missing[@]}" || cannot_install "apt-get install failed"
