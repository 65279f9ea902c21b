#!/usr/bin/env bash
# Soak run of the I/O page: all three timers at 10 ms against the simulator
# with 1 % random faults.
#   scripts/soak.sh [seconds] [build folder]   (default 600 s, build-test)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
build=${2:-$(pwd)/build-test}
if [ ! -x "$build/bin/quillon_soak" ]; then
  echo "Build first: scripts/test.sh (or cmake --build $build --target quillon_soak)"
  exit 1
fi
# A small quarantine keeps AddressSanitizer's own memory from hiding growth.
ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1}:quarantine_size_mb=1:detect_leaks=0 \
QT_QPA_PLATFORM=offscreen "$build/bin/quillon_soak" "$seconds"
