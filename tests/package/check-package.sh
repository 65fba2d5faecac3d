#!/usr/bin/env bash
# The Debian package as a new user meets it: makes the package in the build folder, makes a bare
# Debian 12 root (debootstrap, minimal variant), installs the package there with apt-get (which
# must pull in every library the programs need), and runs the installed commands from /tmp:
# kyla-capture renders a 1920x1080 still, and kyla, without a display, says so in one line.
#   check-package.sh BUILD_DIR
# Needs root (debootstrap, chroot, bind mounts) and the Debian mirror that this machine uses.
set -u
build=${1:?usage: check-package.sh BUILD_DIR}

fail() { echo "check-package: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root"

cmake --build "$build" --target package >/dev/null || fail "the package could not be made"
deb=$(ls -t "$build"/kyla_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no kyla_*.deb in $build"
echo "check-package: $deb" >&2
dpkg-deb -f "$deb" Depends >&2

mirror=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null)
[ -n "$mirror" ] || mirror=$(awk '/^deb /{print $2; exit}' /etc/apt/sources.list 2>/dev/null)
[ -n "$mirror" ] || fail "cannot find the Debian mirror in this machine's apt sources"

root=$(mktemp -d /var/tmp/kyla-bare-root-XXXXXX)
cleanup() {
  for m in dev proc; do umount -l "$root/$m" 2>/dev/null; done
  rm -rf "$root"
}
trap cleanup EXIT
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 ||
  { tail -n 20 "$root.log" >&2; rm -f "$root.log"; fail "debootstrap failed"; }
rm -f "$root.log"
for f in /etc/apt/sources.list.d/debian.sources /etc/apt/sources.list; do
  [ -f "$f" ] && cp "$f" "$root$f"
done
for m in proc dev; do mount --bind "/$m" "$root/$m" || fail "cannot bind /$m into the root"; done
cp "$deb" "$root/tmp/kyla.deb"

# in_root COMMAND: runs a shell command in the root with a clean environment and no display.
in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive MESA_SHADER_CACHE_DISABLE=true bash -c "$1"
}
in_root 'apt-get update -q && apt-get install -y -q --no-install-recommends /tmp/kyla.deb' >"$root/apt.log" 2>&1 ||
  { tail -n 30 "$root/apt.log" >&2; fail "apt-get could not install the package"; }
echo "check-package: installed with $(grep -c '^Setting up' "$root/apt.log") packages" >&2

failures=0
check() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

in_root 'cd /tmp && kyla-capture --still 30 frame.png --warmup 1' >&2 || check "kyla-capture --still exited $?"
# A PNG's width and height are the big-endian words at bytes 16 and 20.
size=$(od -An -tu1 -j16 -N8 "$root/tmp/frame.png" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')
[ "$size" = 1920x1080 ] || check "kyla-capture wrote no 1920x1080 PNG in /tmp (size: ${size:-none})"

in_root 'cd /tmp && kyla' >"$root/tmp/out" 2>"$root/tmp/err"
rc=$?
sed 's/^/  kyla: /' "$root/tmp/err" >&2
[ "$rc" -eq 1 ] || check "kyla without a display exited $rc, expected 1"
[ "$(wc -l <"$root/tmp/err")" -eq 1 ] && grep -q 'no display' "$root/tmp/err" ||
  check "kyla without a display did not say so in one line"

[ "$failures" -eq 0 ] && echo "check-package: installed and ran in a bare root" >&2
[ "$failures" -eq 0 ]
