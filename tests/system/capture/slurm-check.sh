#!/usr/bin/env bash
# capture-on-slurm.sh on a throw-away one-node Slurm cluster on localhost: munged, slurmctld and
# slurmd with a private configuration, state and ports, stopped by their PIDs when the test ends,
# however it ends. A 2-part capture must leave the right video; a failing part must make the
# script fail, soon, naming the part.
#   slurm-check.sh CAPTURE-ON-SLURM BUILD-FOLDER SOUNDTRACK
# Exits 77 (skipped) where the Slurm daemons are not installed or it does not run as root.
set -euo pipefail
script=$1 build=$2 soundtrack=$3

for tool in munged slurmctld slurmd sbatch squeue scancel sinfo ffprobe; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (scripts/install-deps.sh test)"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "skipped: the private cluster runs its daemons as root"; exit 77; }
# slurmd reads the machine's resources through the control-group file system; a chroot without
# one (such as a bare build root) cannot host a node.
[ -n "$(ls -A /sys/fs/cgroup 2>/dev/null)" ] || { echo "skipped: no control-group file system at /sys/fs/cgroup for slurmd"; exit 77; }

dir=$(mktemp -d /tmp/kyla-slurm-XXXXXX)
chmod 0755 "$dir"  # munged refuses a socket folder that others cannot enter
mkdir -m 0755 "$dir/munge" "$dir/state" "$dir/spool" "$dir/out"
pids=()

stop() {
  # Jobs first, or slurmstepd outlives the daemons.
  if [ -n "${SLURM_CONF:-}" ] && timeout 5 squeue -h >/dev/null 2>&1; then
    timeout 5 squeue -h -o %i | xargs -r timeout 5 scancel || true
    for _ in $(seq 50); do [ -z "$(timeout 5 squeue -h -o %i 2>/dev/null)" ] && break; sleep 0.2; done
  fi
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$dir"
}
trap stop EXIT

free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 30000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}

dd if=/dev/urandom of="$dir/munge/munge.key" bs=1024 count=1 status=none
chmod 0400 "$dir/munge/munge.key"
munged --foreground --socket="$dir/munge/munge.socket" --key-file="$dir/munge/munge.key" \
  --pid-file="$dir/munge/munged.pid" --log-file="$dir/munge/munged.log" --seed-file="$dir/munge/munged.seed" \
  >"$dir/munged.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$dir/munge/munge.socket" ] && break; sleep 0.1; done

export SLURM_CONF=$dir/slurm.conf
cat >"$SLURM_CONF" <<CONF
ClusterName=kylatest
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$dir/munge/munge.socket
CredType=cred/munge
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
JobAcctGatherType=jobacct_gather/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerParameters=batch_sched_delay=0
ReturnToService=2
MpiDefault=none
NodeName=localhost NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=main Nodes=localhost Default=YES MaxTime=INFINITE State=UP
CONF
slurmctld -D -i >"$dir/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -N localhost >"$dir/slurmd.out" 2>&1 &
pids+=($!)
# A client that cannot reach the controller retries for a long time: each look is bounded.
for _ in $(seq 150); do [ "$(timeout 5 sinfo -h -o %t 2>/dev/null)" = idle ] && break; sleep 0.2; done
[ "$(timeout 5 sinfo -h -o %t)" = idle ] || { echo "FAIL: the private cluster did not come up"; cat "$dir"/*.out; exit 1; }

failures=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi
}

# A part that fails: the script must end non-zero soon, name the part and write no video.
fake=$dir/fake-capture
cat >"$fake" <<'FAKE'
#!/bin/sh
case "$*" in *"--part 2/2"*) echo "part two broke on purpose" >&2; exit 3 ;; esac
exit 0
FAKE
chmod +x "$fake"
status=0
KYLA_CAPTURE=$fake KYLA_BUILD=$build KYLA_SLURM_POLL=0.5 timeout 60 "$script" --from 1 --to 2 --fps 2 --parts 2 \
  "$dir/out/failed.mp4" >"$dir/failed.txt" 2>&1 || status=$?
cat "$dir/failed.txt"
check "a failed part fails the capture before the time limit (status $status)" test "$status" -ne 0 -a "$status" -ne 124
check "the failed part is named with its message" grep -q "part 2/2 ended FAILED" "$dir/failed.txt"
check "the part's own message is shown" grep -q "part two broke on purpose" "$dir/failed.txt"
check "no video is left" test ! -e "$dir/out/failed.mp4"

# Two parts of one second at 2 fps: one frame each, joined with the second's audio.
status=0
KYLA_BUILD=$build KYLA_SLURM_POLL=0.5 timeout 480 "$script" --from 1 --to 2 --fps 2 --parts 2 "$dir/out/video.mp4" \
  -- --warmup 1 --soundtrack "$soundtrack" >"$dir/video.txt" 2>&1 || status=$?
cat "$dir/video.txt"
check "the 2-part capture succeeds" test "$status" -eq 0
check "it says what it submitted and how to follow it" grep -q "squeue -j" "$dir/video.txt"
probe=$(ffprobe -v error -count_frames -show_entries stream=codec_type,width,height,r_frame_rate,nb_read_frames,duration \
  -of compact=p=0 "$dir/out/video.mp4" 2>&1 || true)
echo "$probe"
check "one 1920x1080 video stream of 2 frames at 2 fps" grep -q "codec_type=video|width=1920|height=1080|r_frame_rate=2/1|.*nb_read_frames=2" <<<"$probe"
check "one audio stream of about 1 s" grep -Eq "codec_type=audio.*duration=(0\.9[5-9]|1\.0[0-4])" <<<"$probe"
check "the parts' folder is gone" test ! -e "$dir/out/video.mp4.parts"
[ "$failures" -eq 0 ] || { echo "the daemons' output:"; cat "$dir"/*.out; exit 1; }
