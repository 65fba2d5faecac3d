#!/usr/bin/env bash
# Smoke run of kyla.exe under wine, on the X server in $DISPLAY (run it through
# tests/system/with-xvfb.sh, which gives it a private 1920x1080 one).
#
# usage: smoke-run.sh WINE_RUN KYLA_EXE MAKE_TEST_WAV_EXE FRAME_CHECK OUT_DIR
#
# 1. With a generated soundtrack and ALSA pointed at a null device: the success line on standard
#    output, a first presented frame whose every pixel sits at the post pass's dark floor (the
#    tone curve and gamma applied to black, about 4/255), then Escape (sent with xdotool) ends the
#    run with exit status 0.
# 2. Without a soundtrack: the failure line, the reason on standard error and in a message box
#    (kyla.exe is a GUI program: nobody reads its standard error), and exit status 1 once the box
#    is dismissed (with Return, sent with xdotool).
# The screenshot is left in OUT_DIR/first-frame.png, and the run's wine prefix in OUT_DIR.
set -u
[ $# -eq 5 ] || { echo "usage: smoke-run.sh WINE_RUN KYLA_EXE MAKE_TEST_WAV_EXE FRAME_CHECK OUT_DIR" >&2; exit 2; }
wine_run=$(readlink -f "$1") kyla_exe=$(readlink -f "$2") make_test_wav=$(readlink -f "$3")
frame_check=$(readlink -f "$4") out_dir=$(readlink -f "$5")

# A wine session is bound to the X display it started on: this run has a prefix of its own, and its
# server is stopped before and after, so that no session outlives the private X server.
export KYLA_WINEPREFIX=$out_dir/wine-prefix
stop_wine() { WINEPREFIX=$KYLA_WINEPREFIX wineserver -k 2>/dev/null; }
stop_wine

scratch=$(mktemp -d)
kyla_pid=""
cleanup() {
  [ -n "$kyla_pid" ] && kill "$kyla_pid" 2>/dev/null
  xdotool keyup Escape 2>/dev/null
  stop_wine
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "smoke-run: FAILED: $*"
  for f in stdout stderr; do [ -s "$scratch/run/$f" ] && { echo "--- kyla.exe $f:"; cat "$scratch/run/$f"; }; done
  exit 1
}

# Without a sound device the filter graph cannot render the file: a null ALSA device in a home of
# our own. Wine reads it from the process's $HOME; the prefix stays the build's.
mkdir -p "$scratch/home" "$scratch/run" "$out_dir"
printf 'pcm.!default { type null }\n' > "$scratch/home/.asoundrc"
export HOME=$scratch/home
cd "$scratch/run" || exit 1

# Two minutes of 8 kHz mono tone: far longer than the run, so only Escape can end it in time.
"$wine_run" "$make_test_wav" 120 brimvale-tarnel.wav --rate 8000 --channels 1 || fail "make-test-wav failed"

"$wine_run" "$kyla_exe" > stdout 2> stderr &
kyla_pid=$!

# The window is black until the first frame is presented; the first frame is drawn at time 0.
deadline=$((SECONDS + 120))
shot_ok=""
while [ $SECONDS -lt $deadline ] && kill -0 "$kyla_pid" 2>/dev/null; do
  xwd -root -silent > shot.xwd || fail "xwd could not take a screenshot"
  report=$(python3 "$frame_check" shot.xwd 1920 1080 3 5 "$out_dir/first-frame.png")
  status=$?
  if [ $status -eq 0 ]; then shot_ok=1; break; fi
  case "$report" in
    *"from [0, 0, 0] to [0, 0, 0]"*) sleep 0.2 ;;  # nothing presented yet
    *) fail "the first frame seen is not the dark floor of the post pass: $report" ;;
  esac
done
[ -n "$shot_ok" ] || fail "no frame was presented within 120 s (or kyla.exe ended)"
echo "first frame: $report"

tr -d '\r' < stdout | grep -qx 'Song succesfully rendered!' || fail "no success line on standard output"
grep -q $'^Song succesfully rendered!\r$' stdout || echo "note: the success line does not end in CR LF"

xdotool mousemove 960 540 keydown Escape
escape_at=$SECONDS
# A frame can take seconds on a software renderer; the key is held until the run has ended.
while kill -0 "$kyla_pid" 2>/dev/null && [ $((SECONDS - escape_at)) -lt 90 ]; do sleep 0.2; done
kill -0 "$kyla_pid" 2>/dev/null && fail "kyla.exe still runs 90 s after Escape"
wait "$kyla_pid"
status=$?
kyla_pid=""
xdotool keyup Escape
[ $status -eq 0 ] || fail "kyla.exe ended with status $status after Escape (expected 0)"
echo "Escape ended the run after $((SECONDS - escape_at)) s with status 0"

# No soundtrack: the failure line, the reason, a message box, and status 1 once it is dismissed.
rm -f brimvale-tarnel.wav stdout stderr
"$wine_run" "$kyla_exe" > stdout 2> stderr &
kyla_pid=$!
# The box is a visible window smaller than the screen and larger than wine's 1x1 helper windows.
find_box() {
  local id size width height
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    size=$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/.*Geometry: //p')
    width=${size%x*} height=${size#*x}
    [ -n "$size" ] && [ "$size" != 1920x1080 ] && [ "${width:-0}" -ge 100 ] && [ "${height:-0}" -ge 40 ] &&
      { echo "$id $size"; return 0; }
  done
  return 1
}
box=""
deadline=$((SECONDS + 120))
while [ $SECONDS -lt $deadline ] && kill -0 "$kyla_pid" 2>/dev/null; do
  if [ -z "$box" ] && grep -q "cannot open soundtrack" stderr; then box=$(find_box); fi
  # Focus goes to the box when it opens; Return presses its OK button.
  [ -n "$box" ] && xdotool key Return
  sleep 0.5
done
kill -0 "$kyla_pid" 2>/dev/null && fail "without a soundtrack kyla.exe still runs after 120 s (box: ${box:-none seen})"
wait "$kyla_pid"
status=$?
kyla_pid=""
[ -n "$box" ] || fail "without a soundtrack kyla.exe showed no message box"
[ $status -eq 1 ] || fail "without a soundtrack kyla.exe ended with status $status (expected 1)"
tr -d '\r' < stdout | grep -qx 'mp3 rendering failed :(' || fail "no failure line on standard output"
grep -q "cannot open soundtrack 'brimvale-tarnel.wav': no such file" stderr || fail "standard error does not say why"
echo "without a soundtrack: the failure line, '$(tr -d '\r' < stderr | grep soundtrack)', a message box (window ${box% *}, ${box#* }), status 1"
echo "smoke-run: passed"
