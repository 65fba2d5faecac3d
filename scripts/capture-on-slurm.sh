#!/usr/bin/env bash
# Captures a span of the demo as one MP4 on a Slurm cluster: a job array renders the span in
# parts (one task a part, each writing a segment) and a join job, started once every part has
# succeeded, joins the segments with the span's audio. The script waits for both and leaves the
# video. The nodes must share the build folder and the output's folder.
set -euo pipefail

usage() {
  cat <<'USAGE'
usage: capture-on-slurm.sh --from A --to B [--fps F] --parts N OUT.mp4 [-- CAPTURE-OPTIONS...]
Renders the demo from A to B seconds at F frames per second (default 60) as N parts on the Slurm
cluster that the Slurm configuration names (SLURM_CONF, or the system's), joins them into
OUT.mp4 and waits until it is written. Parts, segments and logs go to OUT.mp4.parts/, which is
removed when the video is written and kept, with the logs, when something failed.
Options after -- go to every kyla-capture run (such as --warmup 12 or --soundtrack FILE), which
runs in the build folder.
sbatch settings such as the partition or time limit come from its own variables
(SBATCH_PARTITION, SBATCH_TIMELIMIT, ...). KYLA_BUILD names the build folder (default: build/
beside this script's folder); KYLA_CAPTURE the capture program (default: kyla-capture there).
Example:
  scripts/capture-on-slurm.sh --from 0 --to 60 --fps 60 --parts 32 kyla.mp4
USAGE
}

fail() {
  echo "capture-on-slurm: $*" >&2
  exit 1
}

from="" to="" fps=60 parts="" out=""
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    -h|--help) usage; exit 0 ;;
    --from|--to|--fps|--parts)
      [ $# -ge 2 ] || { echo "capture-on-slurm: $1 needs a value" >&2; exit 2; }
      declare "${1#--}=$2"; shift 2 ;;
    --) shift; extra=("$@"); break ;;
    -*) echo "capture-on-slurm: unknown option '$1' (see --help)" >&2; exit 2 ;;
    *) [ -z "$out" ] || { echo "capture-on-slurm: one output file only, not '$1' too" >&2; exit 2; }
       out=$1; shift ;;
  esac
done
[ -n "$from" ] && [ -n "$to" ] && [ -n "$parts" ] && [ -n "$out" ] || { usage >&2; exit 2; }
[[ "$parts" =~ ^[1-9][0-9]*$ ]] || { echo "capture-on-slurm: --parts '$parts' is not a whole number from 1" >&2; exit 2; }
for tool in sbatch squeue scontrol scancel; do
  command -v "$tool" >/dev/null || fail "the Slurm command '$tool' is not on PATH (install slurm-client, or run this on a login node)"
done

build=${KYLA_BUILD:-$(cd "$(dirname "$0")/.." && pwd)/build}
capture=${KYLA_CAPTURE:-$build/kyla-capture}
[ -x "$capture" ] || fail "no capture program at '$capture' (build it, or name it with KYLA_CAPTURE)"
out_dir=$(cd "$(dirname "$out")" 2>/dev/null && pwd) || fail "the output's folder '$(dirname "$out")' does not exist"
out=$out_dir/$(basename "$out")
work=$out.parts
mkdir -p "$work"

span=(--from "$from" --to "$to" --fps "$fps" "${extra[@]}")
segments=()
for ((i = 1; i <= parts; i++)); do segments+=("$work/part-$i.mp4"); done
# Each task names its own part; the job's shell expands SLURM_ARRAY_TASK_ID, nothing else.
part_command="$(printf '%q ' "$capture" "${span[@]}") --part \"\$SLURM_ARRAY_TASK_ID/$parts\" --mp4 $(printf '%q' "$work")/part-\"\$SLURM_ARRAY_TASK_ID\".mp4"
join_command=$(printf '%q ' "$capture" "${span[@]}" --join "$out" "${segments[@]}")

array=$(sbatch --parsable --job-name=kyla-capture --array="1-$parts" --chdir="$build" \
  --output="$work/part-%a.log" --wrap="$part_command") || fail "sbatch refused the parts (its message is above)"
array=${array%%;*}
# Without --kill-on-invalid-dep a failed part would leave the join pending for ever.
join=$(sbatch --parsable --job-name=kyla-capture-join --dependency="afterok:$array" --kill-on-invalid-dep=yes \
  --chdir="$build" --output="$work/join.log" --wrap="$join_command") || {
  scancel "$array"
  fail "sbatch refused the join (its message is above); the parts were cancelled"
}
join=${join%%;*}
trap 'scancel "$array" "$join"; echo "capture-on-slurm: stopped; jobs $array and $join cancelled" >&2; exit 130' INT TERM
echo "capture-on-slurm: submitted $parts parts as job array $array and their join as job $join"
echo "capture-on-slurm: follow them with: squeue -j $array,$join   (logs in $work/)"

# squeue fails, printing nothing, when the controller cannot be reached: that is not "finished".
poll=${KYLA_SLURM_POLL:-5}
while :; do
  left=$(squeue -h -o %i -t PENDING,RUNNING,CONFIGURING,COMPLETING,SUSPENDED -j "$array,$join") ||
    fail "squeue failed: cannot follow jobs $array and $join (is the Slurm controller up?)"
  [ -z "$left" ] && break
  sleep "$poll"
done

job_state() { scontrol -o show job "$1" | grep -o 'JobState=[A-Z_]*' | head -n 1 | cut -d= -f2; }
if [ "$(job_state "$join")" = COMPLETED ] && [ -s "$out" ]; then
  rm -rf "$work"
  echo "capture-on-slurm: wrote $out"
  exit 0
fi
echo "capture-on-slurm: the capture failed; $out was not written" >&2
failed=0
while read -r line; do
  task=$(grep -o 'ArrayTaskId=[0-9]*' <<<"$line" | cut -d= -f2)
  state=$(grep -o 'JobState=[A-Z_]*' <<<"$line" | cut -d= -f2)
  [ -n "$task" ] && [ "$state" != COMPLETED ] || continue
  failed=$((failed + 1))
  echo "capture-on-slurm: part $task/$parts ended $state; its log, $work/part-$task.log, ends:" >&2
  tail -n 3 "$work/part-$task.log" 2>/dev/null | sed 's/^/  /' >&2 || true
done < <(scontrol -o show job "$array")
if [ "$failed" -eq 0 ]; then
  echo "capture-on-slurm: the join ended $(job_state "$join"); its log, $work/join.log, ends:" >&2
  tail -n 3 "$work/join.log" 2>/dev/null | sed 's/^/  /' >&2 || true
fi
exit 1
