#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number
# of seconds (default 20), two at a time. New inputs go to a scratch corpus;
# the checked-in seeds in fuzz/corpus/ are read, never written.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-20}
shift || true

source scripts/lib/common.sh
ensure_packages cmake ninja-build clang libclang-rt-14-dev libcli11-dev nlohmann-json3-dev

build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLON_BUILD_FUZZ=ON -DQUILLON_BUILD_GUI=OFF -DQUILLON_BUILD_TESTS=OFF \
  -DQUILLON_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_response fuzz_blocks fuzz_ini fuzz_hexbytes fuzz_parsers fuzz_network_date fuzz_document)

scratch=$(mktemp -d /tmp/quillon-fuzz-XXXXXX)
trap 'rm -rf "$scratch" /tmp/quillon-fuzz-ini-*' EXIT

run_one() {
  local target=$1
  mkdir -p "$scratch/$target"
  if "$build/bin/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$scratch/$target-" "$scratch/$target" "$root/fuzz/corpus/$target" \
      >"$scratch/$target.log" 2>&1; then
    echo "$target: $(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$scratch/$target.log" | grep -Eo '[0-9]+$') runs, no finding"
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
