#!/usr/bin/env bash
# Runs a command on a private X server: starts Xvfb at 1920x1080x24 on a free display number
# (chosen by the server itself), exports DISPLAY, runs the command, stops that server by its PID
# and exits with the command's status. KYLA_XVFB_SCREEN overrides the screen (WIDTHxHEIGHTxDEPTH).
set -u
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 "${KYLA_XVFB_SCREEN:-1920x1080x24}" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null' EXIT
display=""
read -r -t 30 -u "$fd" display || true
if [ -z "$display" ]; then
  echo "with-xvfb: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$display"
"$@"
