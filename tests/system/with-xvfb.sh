#!/usr/bin/env bash
# Runs a command on a private X server: starts Xvfb at 1920x1080x24 on a free display number
# (chosen by the server itself), exports DISPLAY, runs the command, stops that server by its PID
# and exits with the command's status. KYLA_XVFB_SCREEN overrides the screen (WIDTHxHEIGHTxDEPTH).
#
# Tests run in parallel, and servers that start at the same moment compete for the same display
# numbers, lock files and socket names. So start-up is serialised with a lock, and the command
# runs only once the server has answered a client; a server that dies or does not answer is
# replaced (three tries).
set -u
screen=${KYLA_XVFB_SCREEN:-1920x1080x24}
xvfb_pid=""
stop_server() {
  [ -n "$xvfb_pid" ] || return 0
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
}
trap stop_server EXIT

# The socket folder is made once here, with the sticky, world-writable mode the servers expect.
mkdir -p /tmp/.X11-unix 2>/dev/null && chmod 1777 /tmp/.X11-unix 2>/dev/null
exec {lock}>/tmp/.kyla-xvfb-start.lock
flock -w 120 "$lock" || echo "with-xvfb: going on without the start-up lock" >&2

display=""
for attempt in 1 2 3; do
  exec {fd}<> <(:)
  Xvfb -displayfd "$fd" -screen 0 "$screen" -nolisten tcp -noreset >/dev/null 2>&1 {lock}>&- &
  xvfb_pid=$!
  display=""
  read -r -t 30 -u "$fd" display || true
  exec {fd}<&-
  if [ -n "$display" ]; then
    for _ in $(seq 100); do
      kill -0 "$xvfb_pid" 2>/dev/null || break
      xdpyinfo -display ":$display" >/dev/null 2>&1 && break 2
      sleep 0.1
    done
  fi
  echo "with-xvfb: Xvfb (try $attempt) did not answer on display :${display:-none}" >&2
  stop_server
  display=""
done
exec {lock}>&-
if [ -z "$display" ]; then
  echo "with-xvfb: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$display"
"$@"
