#!/usr/bin/env bash
# Builds and runs the benchmarks: exchange timing against the simulator paced
# at 115200 baud (with libmodbus as the reference master), the same line over
# loopback TCP (ser2net raw and RFC 2217, the simulator's Modbus TCP gateway)
# as ratios to the serial case, the I/O page's event polling (also with the
# wire monitor) and timed reads, the wire monitor's memory, and the module
# search, and the longest time the full edition's window goes without turning
# its event loop while the module works ("读取配置" at 2400 and 9600 baud,
# timed reads of 144 bytes, a load of every group, a silent module).
#   scripts/bench.sh            full runs; fails when a target is missed
#   scripts/bench.sh --smoke    each benchmark once with tiny counts: fails
#                               when one cannot run to its end or an exchange
#                               fails; timing targets are only reported, as
#                               so few samples on a busy machine say nothing
# It builds in build-bench (Release), or in the optimised tree
# QUILLON_RELEASE_TREE names when that is configured with the benchmarks (the
# test command passes its package tree).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
smoke=false
[ "${1:-}" = --smoke ] && smoke=true

source scripts/lib/common.sh
ensure_packages "${QUILLON_PACKAGES_BUILD[@]}" "${QUILLON_PACKAGES_BENCH[@]}"

build=${QUILLON_RELEASE_TREE:-}
if [ -z "$build" ]; then
  build="$root/build-bench"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF \
    -DQUILLON_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target bench_link bench_io bench_scan bench_ui
export QT_QPA_PLATFORM=offscreen

if ! $smoke; then
  status=0
  "$build/bin/bench_link" || status=1
  "$build/bin/bench_io" || status=1
  "$build/bin/bench_scan" || status=1
  "$build/bin/bench_ui" || status=1
  exit $status
fi

# smoke NAME ARG...: status 1 only means a missed target; 2 and above, a
# signal, or a failed exchange in the figures fail the run.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
smoke() {
  local name=$1 code=0
  shift
  "$build/bin/$name" "$@" >"$out" 2>&1 || code=$?
  cat "$out"
  if [ "$code" -gt 1 ]; then
    echo "$name: FAILED, exit status $code"
    status=1
  elif grep -Eq 'failed exchanges [1-9]|failures=[1-9]|^find_at_[0-9]+ .*found=0' "$out"; then
    echo "$name: FAILED, an exchange failed"
    status=1
  else
    echo "$name: ran to its end$([ "$code" -eq 1 ] && echo ' (a target missed on this short run)')"
  fi
}
smoke bench_link 4
smoke bench_io 0.4 0.4 2000
smoke bench_scan
smoke bench_ui 0.3
exit $status
