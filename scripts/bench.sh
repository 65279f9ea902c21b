#!/usr/bin/env bash
# Builds and runs the benchmarks: exchange timing against the simulator paced
# at 115200 baud (with libmodbus as the reference master), and the I/O page's
# event polling and timed reads. Not part of the test run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libmodbus-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
  else
    echo "Missing packages. Install them with:"
    echo "  sudo apt-get install -y ${missing[*]}"
    exit 1
  fi
fi

build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF \
  -DQUILLON_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target bench_link bench_io

status=0
"$build/bin/bench_link" || status=1
QT_QPA_PLATFORM=offscreen "$build/bin/bench_io" || status=1
exit $status
