#!/usr/bin/env bash
# Whole-program checks of the demo, one case per call:
#   demo-run.sh CASE KYLA MAKE_TEST_WAV SWAP_COUNTER WITH_XVFB
# CASE is plays-to-the-end, ends-on-signal, dies-of-crash-signal, small-screen, without-soundtrack or
# without-display. Each run happens in a fresh
# temporary working directory; cases that need a screen start their own X server.
set -u
case_name=$1 kyla=$2 make_test_wav=$3 swap_counter=$4 with_xvfb=$5

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Runs the demo in the working directory, logging each presented frame's time. Sets rc, frames,
# elapsed_ms (start to exit), and, relative to the first line on standard output (the soundtrack
# starts right after it; -1 when no line came): exit_at, and swap_at (one entry per frame).
# With a signal name as argument, sends that signal once the window is up.
run_demo() {
  local signal=${1:-}
  windows_seen=""
  rm -f out err swaps
  local start line_at=-1 pid end
  start=$(now_ms)
  KYLA_TEST_SWAP_LOG="$work/swaps" LD_PRELOAD="$swap_counter" "$kyla" >out 2>err &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    if [ "$line_at" -lt 0 ] && [ -s out ]; then line_at=$(now_ms); fi
    if [ -z "${windows_seen:-}" ] && xwininfo -root -children 2>/dev/null | grep -q ' 1920x1080+0+0 '; then
      windows_seen=$(xwininfo -root -children 2>/dev/null)
      [ -n "$signal" ] && kill -s "$signal" "$pid"
    fi
    sleep 0.05
  done
  wait "$pid"
  rc=$?
  end=$(now_ms)
  elapsed_ms=$((end - start))
  exit_at=-1 swap_at=()
  if [ "$line_at" -ge 0 ]; then
    exit_at=$((end - line_at))
    [ -s swaps ] && while read -r at; do swap_at+=($((at - line_at))); done <swaps
  elif [ -s swaps ]; then
    while read -r at; do swap_at+=($((at - start))); done <swaps
  fi
  frames=${#swap_at[@]}
  echo "$case_name: exit $rc after ${elapsed_ms} ms; frames presented at ${swap_at[*]:-none} ms," \
    "exit at ${exit_at} ms after the first line" >&2
  sed 's/^/  stderr: /' err >&2
}

expect_stdout() {
  [ "$(cat out)" = "$1" ] && [ "$(wc -l <out)" -eq 1 ] || fail "standard output was '$(cat out)', expected the line '$1'"
}

case "$case_name" in
  plays-to-the-end)
    if [ -z "${DISPLAY:-}" ]; then exec bash "$with_xvfb" bash "$0" "$@"; fi
    "$make_test_wav" 2 brimvale-tarnel.wav || exit 1
    run_demo
    [ "$rc" -eq 0 ] || fail "exit status $rc, expected 0"
    expect_stdout "Song succesfully rendered!"
    [ "$frames" -ge 1 ] || fail "no frame was presented"
    # Each frame reads the position right after the previous frame's swap. The last frame must be
    # the first one to read 2 s or more, and the run must end right after presenting it. The
    # first line's time is polled, so it may be late by up to ~100 ms; the sink may start late.
    if [ "$frames" -ge 1 ]; then
      last_read=0
      [ "$frames" -ge 2 ] && last_read=${swap_at[frames - 2]}
      [ "$last_read" -ge 1800 ] || fail "the last frame read the position at ${last_read} ms, before the end"
      if [ "$frames" -ge 3 ]; then
        [ "${swap_at[frames - 3]}" -le 2500 ] || fail "frames went on after the end (${swap_at[*]})"
      fi
      [ $((exit_at - swap_at[frames - 1])) -le 5000 ] || fail "the run went on after its last frame"
    fi
    echo "$windows_seen" | grep -q '(has no name).* 1920x1080+0+0 ' ||
      fail "no untitled 1920x1080 window at the screen origin was seen: ${windows_seen:-none}"
    ;;
  ends-on-signal)
    # Ctrl+C and SIGTERM end the run as Escape does: the frame in progress is presented, exit 0.
    if [ -z "${DISPLAY:-}" ]; then exec bash "$with_xvfb" bash "$0" "$@"; fi
    "$make_test_wav" 100 brimvale-tarnel.wav || exit 1
    for signal in INT TERM; do
      run_demo "$signal"
      [ "$rc" -eq 0 ] || fail "exit status $rc after SIG$signal, expected 0"
      expect_stdout "Song succesfully rendered!"
      [ "$frames" -ge 1 ] || fail "no frame was presented before SIG$signal ended the run"
      [ "$exit_at" -le 90000 ] || fail "SIG$signal did not end the run before the soundtrack's end"
    done
    ;;
  dies-of-crash-signal)
    # A crash signal still ends the process by that signal, after the display is given back (or
    # the bounded wait for it has run out).
    if [ -z "${DISPLAY:-}" ]; then exec bash "$with_xvfb" bash "$0" "$@"; fi
    "$make_test_wav" 100 brimvale-tarnel.wav || exit 1
    for signal in SEGV ABRT; do
      run_demo "$signal"
      [ "$rc" -eq $((128 + $(kill -l "$signal"))) ] || fail "exit status $rc after SIG$signal, expected death by it"
      [ "$exit_at" -le 90000 ] || fail "SIG$signal did not end the run before the soundtrack's end"
    done
    ;;
  small-screen)
    # A screen that has no 1920x1080 mode: one notice, and the window is still shown at the origin.
    if [ -z "${DISPLAY:-}" ]; then KYLA_XVFB_SCREEN=1280x720x24 exec bash "$with_xvfb" bash "$0" "$@"; fi
    "$make_test_wav" 100 brimvale-tarnel.wav || exit 1
    run_demo TERM
    [ "$rc" -eq 0 ] || fail "exit status $rc, expected 0"
    [ "$frames" -ge 1 ] || fail "no frame was presented"
    [ "$(grep -c 'cannot be switched to 1920x1080' err)" -eq 1 ] || fail "expected one notice about the screen mode"
    echo "$windows_seen" | grep -q '(has no name).* 1920x1080+0+0 ' ||
      fail "no untitled 1920x1080 window at the screen origin was seen: ${windows_seen:-none}"
    ;;
  without-soundtrack)
    if [ -z "${DISPLAY:-}" ]; then exec bash "$with_xvfb" bash "$0" "$@"; fi
    mkdir a-directory
    echo "not a sound" >not-audio.txt
    # Missing, a directory, and a file that holds no audio.
    for make_soundtrack in ":" "mkdir brimvale-tarnel.wav" "cp not-audio.txt brimvale-tarnel.wav"; do
      rm -rf brimvale-tarnel.wav
      eval "$make_soundtrack"
      echo "soundtrack: ${make_soundtrack}" >&2
      run_demo
      [ "$rc" -eq 1 ] || fail "exit status $rc, expected 1 ($make_soundtrack)"
      expect_stdout "mp3 rendering failed :("
      grep -q "brimvale-tarnel.wav" err || fail "standard error does not name the soundtrack ($make_soundtrack)"
      [ "$frames" -eq 0 ] || fail "$frames frames were presented without a soundtrack ($make_soundtrack)"
      [ "$elapsed_ms" -le 30000 ] || fail "took ${elapsed_ms} ms to give up ($make_soundtrack)"
    done
    ;;
  without-display)
    "$make_test_wav" 2 brimvale-tarnel.wav || exit 1
    unset DISPLAY WAYLAND_DISPLAY
    run_demo
    [ "$rc" -eq 1 ] || fail "exit status $rc, expected 1"
    [ ! -s out ] || fail "standard output was '$(cat out)', expected nothing"
    [ "$(wc -l <err)" -eq 1 ] && grep -q "no display" err || fail "expected one line about the missing display"
    [ "$frames" -eq 0 ] || fail "$frames frames were presented without a display"
    ;;
  *)
    echo "demo-run.sh: unknown case '$case_name'" >&2
    exit 2
    ;;
esac

[ "$failures" -eq 0 ]
