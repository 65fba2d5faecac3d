#!/usr/bin/env bash
# Whole-program checks of the demo, one case per call:
#   demo-run.sh CASE KYLA MAKE_TEST_WAV SWAP_COUNTER WITH_XVFB [SOUNDTRACK]
# CASE is plays-to-the-end, ends-on-signal, dies-of-crash-signal, small-screen, without-soundtrack,
# without-display, whole-run (SOUNDTRACK played to its end, with KYLA the GL-checked demo) or
# sanitized-run (a short run of a sanitizer build; SWAP_COUNTER may be "": a preloaded library
# cannot come before the sanitizer's runtime). Each run happens in a fresh
# temporary working directory; cases that need a screen start their own X server.
set -u
case_name=$1 kyla=$2 make_test_wav=$3 swap_counter=$4 with_xvfb=$5 soundtrack=${6:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
# How far resident memory may rise over a whole run once the first frames are drawn: room for
# the allocator's and the driver's noise, far below a frame's worth of pixels (8 MB) per frame.
rss_growth_kb=8192

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

now_ms() {
  local now=${EPOCHREALTIME//[.,]/}
  echo $((now / 1000))
}

# Runs the demo in the working directory, logging each presented frame's time. Sets rc, frames,
# elapsed_ms (start to exit), and, relative to the first line on standard output (the soundtrack
# starts right after it; -1 when no line came): exit_at, and swap_at (one entry per frame).
# With a signal name as argument, sends that signal once the window is up. The process's resident
# memory is logged as "ms kB" lines in rss, ms since the epoch as in swaps.
run_demo() {
  local signal=${1:-}
  windows_seen=""
  rm -f out err swaps rss
  local start line_at=-1 pid end key value now
  start=$(now_ms)
  KYLA_TEST_SWAP_LOG="$work/swaps" LD_PRELOAD="$swap_counter" "$kyla" >out 2>err &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    # Builtins only: the sampling must not load the two cores the demo draws on.
    while read -r key value _; do
      [ "$key" = VmRSS: ] && now=${EPOCHREALTIME//[.,]/} && echo "$((now / 1000)) $value" >>rss
    done <"/proc/$pid/status" 2>/dev/null
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
  whole-run)
    # The whole soundtrack, start to end: exit 0 with the success line, no GL error (the checked
    # demo exits 3 on one), and resident memory flat once the first frames are drawn.
    if [ -z "${DISPLAY:-}" ]; then exec bash "$with_xvfb" bash "$0" "$@"; fi
    cp "$soundtrack" brimvale-tarnel.wav || exit 1
    run_demo
    [ "$rc" -eq 0 ] || fail "exit status $rc, expected 0"
    expect_stdout "Song succesfully rendered!"
    grep -q "GL error" err && fail "GL reported an error"
    # About 30 frames on two idle cores; fewer when other tests share them.
    [ "$frames" -ge 4 ] || fail "only $frames frames were presented"
    [ "$exit_at" -ge 59000 ] || fail "the run ended at ${exit_at} ms, before the soundtrack's end"
    if [ "$frames" -ge 2 ] && [ -s rss ]; then
      # From the second frame on: the start-up's allocations and the driver's first compiles are
      # done, and the targets have been drawn into once.
      settled=$(sed -n 2p swaps)
      read -r baseline largest last samples < <(awk -v from="$settled" \
        '$1 >= from { if (!n++) base = $2; if ($2 > top) top = $2; last = $2 } END { print base, top, last, n }' rss)
      echo "resident memory from the second frame on: ${baseline} kB at first, at most ${largest} kB," \
        "${last} kB at the end ($samples samples)" >&2
      [ "${samples:-0}" -ge 10 ] || fail "only ${samples:-0} memory samples after the second frame"
      [ $((largest - baseline)) -le "$rss_growth_kb" ] ||
        fail "resident memory grew by $((largest - baseline)) kB after the second frame (bound ${rss_growth_kb} kB)"
    fi
    ;;
  sanitized-run)
    # A few seconds of the demo built with AddressSanitizer and UndefinedBehaviorSanitizer: a
    # report ends the run with a failing status and its text on standard error.
    if [ -z "${DISPLAY:-}" ]; then exec bash "$with_xvfb" bash "$0" "$@"; fi
    "$make_test_wav" 3 brimvale-tarnel.wav || exit 1
    # Leaks are left to the host tests: at exit LeakSanitizer finds the system libraries' own
    # (D-Bus, and plug-ins already unloaded, whose frames it cannot name), none of them ours.
    ASAN_OPTIONS=detect_leaks=0:${ASAN_OPTIONS:-} run_demo
    [ "$rc" -eq 0 ] || fail "exit status $rc, expected 0"
    expect_stdout "Song succesfully rendered!"
    grep -q "Sanitizer\|runtime error" err && fail "a sanitizer reported a fault"
    ;;
  *)
    echo "demo-run.sh: unknown case '$case_name'" >&2
    exit 2
    ;;
esac

[ "$failures" -eq 0 ]
