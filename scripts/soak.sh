#!/usr/bin/env bash
# Soak run of the I/O page: all three timers at 10 ms against the simulator
# with 1 % random faults; fails when resident memory grows by more than 2 MB
# or an exchange was ever nested.
#   scripts/soak.sh [seconds]   (default 600)
# Built without sanitizers: AddressSanitizer's own bookkeeping grows with every
# new allocation stack and would hide or fake growth. It builds in build-soak
# (RelWithDebInfo), or in the optimised tree QUILLON_RELEASE_TREE names when
# that is configured with the tests (the test command passes its package
# tree).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-600}

source scripts/lib/common.sh
ensure_packages "${QUILLON_PACKAGES_BUILD[@]}" "${QUILLON_PACKAGES_TEST[@]}"
build=${QUILLON_RELEASE_TREE:-}
if [ -z "$build" ]; then
  build="$root/build-soak"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLON_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target quillon_soak
QT_QPA_PLATFORM=offscreen "$build/bin/quillon_soak" "$seconds"
