#!/usr/bin/env bash
# Runs a command against a private PulseAudio server: starts pulseaudio in user mode with its own
# runtime folder, home and socket and a null sink, exports PULSE_SERVER, runs the command, stops
# the server by its PID and exits with the command's status.
#
# An idle null sink renders ahead in blocks of 2 s, and a stream that joins it waits for the end of
# the block; a sound card consumes steadily. So a silent stream at 10 ms latency keeps the sink
# consuming steadily, as a card does, for as long as the command runs; the command starts once the
# sink's latency has come down to that.
set -u
folder=$(mktemp -d "${TMPDIR:-/tmp}/kyla-pulse-XXXXXX")
server_pid=""
keeper_pid=""
stop_server() {
  for pid in $keeper_pid $server_pid; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$folder"
}
trap stop_server EXIT

export XDG_RUNTIME_DIR=$folder HOME=$folder PULSE_SERVER=unix:$folder/native
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=yes \
  --load="module-null-sink sink_name=kyla_null" \
  --load="module-native-protocol-unix socket=$folder/native auth-anonymous=1" \
  --log-target="file:$folder/log" &
server_pid=$!
for _ in $(seq 100); do
  pactl info >/dev/null 2>&1 && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.05
done
if ! pactl info >/dev/null 2>&1; then
  echo "with-pulse: pulseaudio did not start:" >&2
  cat "$folder/log" >&2
  exit 1
fi
pacat --playback --latency-msec=10 --raw --format=s16le --rate=44100 --channels=2 </dev/zero &
keeper_pid=$!
sink_latency_us() { pactl list sinks | sed -n 's/^[[:space:]]*Latency: \([0-9]*\) usec.*/\1/p' | head -1; }
for _ in $(seq 100); do
  latency=$(sink_latency_us)
  [ -n "$latency" ] && [ "$latency" -lt 50000 ] && break
  sleep 0.05
done

"$@"
