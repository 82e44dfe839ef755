#!/bin/bash
# Builds every libFuzzer target of fuzz/ with clang 14 (in build-fuzz/, or $ZEFISETUP_FUZZ_DIR)
# and runs each for the given seconds (default 60), one after the other, single job, starting
# from its starting corpus fuzz/corpus/<target>/. Prints one line per target (executions, corpus
# size, coverage, findings) and a total; exits non-zero when any target found something. The
# inputs of findings are kept in <build dir>/findings/<target>/.
#   usage: scripts/fuzz.sh [seconds per target] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
dir=${ZEFISETUP_FUZZ_DIR:-build-fuzz}
root=$(pwd)
dir=$(mkdir -p "$dir" && cd "$dir" && pwd)

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEFISETUP_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >&2
cmake --build "$dir" -j"$(nproc)" >&2

if (($#)); then
  targets=("$@")
else
  targets=()
  for seeds in fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

# The targets write their inputs as files into a prefix under $TMPDIR: keep it in memory.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
# Leaks count as findings too; a run stops at its first finding.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
total_execs=0
total_findings=0
for target in "${targets[@]}"; do
  binary="$dir/fuzz/fuzz_$target"
  work="$dir/corpus/$target"
  findings="$dir/findings/$target"
  log="$dir/logs/$target.log"
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/zefifuzz-cwd-XXXXXX")
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  rm -f "$findings"/*
  status=0
  # An install script is read again from its first line for every query the target makes; a
  # few groups fit in 1 KiB (the first four of a real script end within 600 bytes), and longer
  # inputs only slow the run down.
  extra=()
  if [ "$target" = install_script ]; then extra=(-max_len=1024); fi
  # The working corpus grows in the build directory; the seeds in fuzz/corpus stay as they are.
  # A target runs in a scratch directory of its own: whatever an input makes the emulated
  # machine create relative to the current directory lands there, not in the checkout.
  (cd "$scratch" && exec "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "${extra[@]}" "$work" \
    "$root/fuzz/corpus/$target") \
    >"$log" 2>&1 || status=$?
  rm -rf "$scratch"
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o "cov: [0-9]*" "$log" | tail -1 | cut -d" " -f2 || true)
  corpus=$(find "$work" -type f | wc -l)
  found=$(find "$findings" -type f | wc -l)
  # A run that ended without its final statistics crashed before writing an input.
  if [ -z "$execs" ] || { [ "$status" != 0 ] && [ "$found" = 0 ]; }; then found=$((found + 1)); fi
  printf '%-18s executions %10s  corpus %6s  coverage %6s  findings %s\n' \
    "$target" "${execs:-0}" "$corpus" "${cov:-0}" "$found"
  if [ "$found" != 0 ]; then
    grep -m3 -E 'ERROR|SUMMARY|runtime error' "$log" | sed 's/^/    /' || true
    echo "    log: $log  inputs: $findings/"
  fi
  total_execs=$((total_execs + ${execs:-0}))
  total_findings=$((total_findings + found))
done
printf '%-18s executions %10s  targets %s  findings %s\n' total "$total_execs" "${#targets[@]}" \
  "$total_findings"
[ "$total_findings" = 0 ]
