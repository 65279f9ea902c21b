#!/usr/bin/env bash
# Builds and runs the benchmarks: exchange timing against the simulator paced
# at 115200 baud (with libmodbus as the reference master), the same line over
# loopback TCP (ser2net raw and RFC 2217, the simulator's Modbus TCP gateway)
# as ratios to the serial case, the I/O page's event polling (also with the
# wire monitor) and timed reads, the wire monitor's memory, and the module
# search. Not part of the test run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

source scripts/lib/common.sh
ensure_packages cmake ninja-build g++ pkg-config qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libcli11-dev nlohmann-json3-dev libmodbus-dev ser2net

build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF \
  -DQUILLON_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target bench_link bench_io bench_scan

status=0
"$build/bin/bench_link" || status=1
QT_QPA_PLATFORM=offscreen "$build/bin/bench_io" || status=1
"$build/bin/bench_scan" || status=1
exit $status
