#!/usr/bin/env bash
# scripts/install-deps.sh against stand-ins for apt-get, sudo, id and dpkg-query on PATH:
# installed packages never reach apt-get, and missing ones that cannot be installed give one line
# with the command that installs them and a non-zero status.
#   install-deps-check.sh SCRIPT
set -u
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# stand_ins DIR USER_ID MISSING_PACKAGE: a PATH folder where apt-get and sudo record their calls
# and fail, id answers USER_ID, and dpkg-query says MISSING_PACKAGE (if any) is not installed.
stand_ins() {
  local bin=$1
  mkdir -p "$bin"
  for tool in apt-get sudo; do
    printf '#!/bin/sh\necho "%s $*" >>"%s/calls"\nexit 100\n' "$tool" "$work" >"$bin/$tool"
  done
  printf '#!/bin/sh\necho %s\n' "$2" >"$bin/id"
  printf '#!/bin/sh\nfor last; do :; done\n[ "$last" = "%s" ] && { echo not-installed; exit 0; }\necho installed\n' "$3" >"$bin/dpkg-query"
  chmod +x "$bin"/*
  ln -s "$(command -v bash)" "$(command -v env)" "$bin/"
}

# Each case: name, user id, missing package, which stand-ins to take away, expected status, and a
# pattern the one line on stderr must match (empty: stderr must be empty).
while IFS='|' read -r name uid missing remove want pattern; do
  bin="$work/$name"
  stand_ins "$bin" "$uid" "$missing"
  for tool in $remove; do rm -f "$bin/$tool"; done
  rm -f "$work/calls"
  PATH="$bin" bash "$script" demo >"$work/out" 2>"$work/err"
  rc=$?
  [ "$rc" -eq "$want" ] || fail "$name: exit status $rc, expected $want"
  if [ -z "$pattern" ]; then
    [ ! -s "$work/err" ] || fail "$name: unexpected output: $(cat "$work/err")"
    [ ! -e "$work/calls" ] || fail "$name: called $(cat "$work/calls")"
  else
    line=$(grep -v '^\(apt-get\|sudo\) ' "$work/err" | grep -c 'install-deps: missing')
    [ "$line" -eq 1 ] && grep -q -- "$pattern" "$work/err" ||
      fail "$name: expected one line matching '$pattern', got: $(cat "$work/err")"
  fi
done <<'CASES'
all-installed-as-root|0|||0|
all-installed-no-root-no-sudo|1000||sudo apt-get|0|
missing-apt-fails|0|libsdl2-dev||1|missing Debian packages: libsdl2-dev (apt-get update failed); install them with: apt-get install --no-install-recommends libsdl2-dev$
missing-no-sudo|1000|cmake|sudo|1|: cmake (not root and there is no sudo); install them with: sudo apt-get install --no-install-recommends cmake$
missing-no-apt|1000|cmake|apt-get|1|: cmake (there is no apt-get here); install them with: sudo apt-get install
CASES
[ "$failures" -eq 0 ]
