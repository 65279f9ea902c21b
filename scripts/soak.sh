#!/usr/bin/env bash
# Soak run of the I/O page: all three timers at 10 ms against the simulator
# with 1 % random faults; fails when resident memory grows by more than 2 MB
# or an exchange was ever nested.
#   scripts/soak.sh [seconds]   (default 600)
# Built without sanitizers in build-soak: AddressSanitizer's own bookkeeping
# grows with every new allocation stack and would hide or fake growth.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-600}

source scripts/lib/common.sh
ensure_packages cmake ninja-build g++ qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libgtest-dev libcli11-dev nlohmann-json3-dev
build="$root/build-soak"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLON_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target quillon_soak
QT_QPA_PLATFORM=offscreen "$build/bin/quillon_soak" "$seconds"
