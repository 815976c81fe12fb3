#!/usr/bin/env bash
# Runs every fuzz harness of a fuzz build for SECONDS each, from the seeds and
# from what earlier runs of this build found (kept in BUILD/fuzz/corpus).
# Usage: fuzz/run.sh BUILD SECONDS [RUNS]. The mutations follow FUZZ_SEED (1
# unless given) and stop after RUNS inputs (-1, the default: no limit), so that
# a short run in CI tries the same inputs every time. A crash, leak or broken
# promise fails it;
# the input that shows it is left in BUILD/fuzz/ as crash-*, leak-* or oom-*.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=$2
runs=${3:--1}
here=$(cd "$(dirname "$0")" && pwd)
# Each input is written to a file: a RAM disk makes that a hundred times
# faster. The harnesses' folders go into one of this run's own, removed at
# the end whatever the harnesses leave.
scratch=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/lirvane-fuzz-run-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch
seeds=$(mktemp -d)
python3 "$here/seeds.py" "$seeds"
cd "$build/fuzz"
# FUZZ_HARNESSES picks some.
for harness in ${FUZZ_HARNESSES:-v2_read v2_roundtrip v2_remove v1_read hive listfile rename}; do
  mkdir -p "corpus/$harness"
  echo "== fuzz_$harness for ${seconds}s"
  # -close_fd_mask=2: the engine's message boxes go to standard error.
  status=0
  # Absolute paths: a harness works in a folder of its own.
  "./fuzz_$harness" -seed="${FUZZ_SEED:-1}" -runs="$runs" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=2 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz/" "$build/fuzz/corpus/$harness" "$seeds/$harness" \
    > "$harness.log" 2>&1 || status=$?
  grep -E "^(stat::number_of_executed_units|stat::new_units_added|SUMMARY|broken:|==[0-9]+==ERROR)" "$harness.log" || true
  if [ "$status" -ne 0 ]; then
    tail -40 "$harness.log"
    echo "fuzz_$harness failed; the input is in $build/fuzz"
    exit 1
  fi
done
