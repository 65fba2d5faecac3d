#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test, stage by stage:
#   host          the build and its tests (unit, GL on llvmpipe, media, whole programs under Xvfb)
#   sanitize      the host tests again under AddressSanitizer and UndefinedBehaviorSanitizer, and a
#                 short run of the demo built with them
#   package       the Debian package, installed and run in a bare Debian 12 root (needs root)
#   windows       the mingw-w64 cross-build of kyla.exe and its tests under wine
# A stage that fails does not stop the others. The run ends with a table of the stages and their
# results, and exits 1 when any stage failed.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

stages=() results=()
# run_stage NAME COMMAND...: runs the command and records whether it passed.
run_stage() {
  local name=$1
  shift
  echo "=== $name" >&2
  if "$@"; then results+=(passed); else results+=(FAILED); fi
  stages+=("$name")
}
# skip_stage NAME WHY: records a stage that could not run here.
skip_stage() {
  echo "=== $1: skipped ($2)" >&2
  stages+=("$1") results+=("skipped: $2")
}

preset() { cmake --preset "$1" && cmake --build --preset "$1" -j "$jobs"; }
# last_passed: whether the stage just recorded passed.
last_passed() { [ "${results[-1]}" = passed ]; }

run_stage "install" bash scripts/install-deps.sh test
if last_passed; then
  run_stage "host build" preset default
  if last_passed; then
    run_stage "host tests" ctest --preset default -j "$jobs"
    if [ "$(id -u)" -eq 0 ]; then
      run_stage "package" bash tests/package/check-package.sh build
    else
      skip_stage "package" "a bare root needs root"
    fi
  else
    skip_stage "host tests" "the build failed"
    skip_stage "package" "the build failed"
  fi
  run_stage "sanitize build" preset sanitize
  if last_passed; then
    run_stage "sanitize tests" ctest --preset sanitize -j "$jobs"
  else
    skip_stage "sanitize tests" "the build failed"
  fi
else
  for stage in "host build" "host tests" "package" "sanitize build" "sanitize tests"; do
    skip_stage "$stage" "the install failed"
  done
fi
run_stage "windows" bash scripts/test-windows.sh

echo
printf '%-16s %s\n' stage result
failed=0
for i in "${!stages[@]}"; do
  printf '%-16s %s\n' "${stages[i]}" "${results[i]}"
  [ "${results[i]}" != FAILED ] || failed=1
done
exit "$failed"
