#!/usr/bin/env bash
# Builds the libFuzzer targets in the clang sanitizer tree (build-sanitize,
# shared with the test command) and runs each for the given number of seconds
# (default 20), two at a time. New inputs go to a scratch corpus; the
# checked-in seeds in fuzz/corpus/ are read, never written.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-20}
shift || true

source scripts/lib/common.sh
ensure_packages "${QUILLON_PACKAGES_BUILD[@]}" "${QUILLON_PACKAGES_TEST[@]}"

all_targets=(fuzz_response fuzz_blocks fuzz_ini fuzz_hexbytes fuzz_parsers fuzz_network_date fuzz_document
  fuzz_network_frames)
build="$root/build-sanitize"
configure_sanitizer_tree "$root" "$build"
cmake --build "$build" -j "$(nproc)" --target "${all_targets[@]}"

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

scratch=$(mktemp -d /tmp/quillon-fuzz-XXXXXX)
trap 'rm -rf "$scratch" /tmp/quillon-fuzz-ini-*' EXIT

run_one() {
  local target=$1
  mkdir -p "$scratch/$target"
  if "$build/bin/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$scratch/$target-" "$scratch/$target" "$root/fuzz/corpus/$target" \
      >"$scratch/$target.log" 2>&1; then
    local runs cov
    runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$scratch/$target.log" | grep -Eo '[0-9]+$')
    cov=$(grep -Eo 'cov: [0-9]+' "$scratch/$target.log" | tail -n 1 | grep -Eo '[0-9]+')
    echo "$target: $runs runs, $cov coverage points, no finding"
  else
    echo "$target: FINDING"
    tail -n 40 "$scratch/$target.log"
    cp "$scratch/$target"-* "$root/" 2>/dev/null || true
    return 1
  fi
}

status=0
pids=()
for target in "${targets[@]}"; do
  run_one "$target" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$(nproc)" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit $status
