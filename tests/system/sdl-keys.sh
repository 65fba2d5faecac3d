#!/usr/bin/env bash
# Runs sdl_keys_check on the X server in $DISPLAY (run it through with-xvfb.sh) and holds S down
# (sent with xdotool) until the check has ended.
# usage: sdl-keys.sh SDL_KEYS_CHECK
set -u
check=$1
out=$(mktemp)
trap 'xdotool keyup s 2>/dev/null; rm -f "$out"' EXIT
"$check" >"$out" 2>&1 &
pid=$!
for _ in $(seq 1 600); do
  grep -q '^ready' "$out" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
# Keys go to the window under the pointer: there is no window manager to give it focus.
xdotool mousemove 960 540 keydown s
wait "$pid"
status=$?
cat "$out"
exit $status
