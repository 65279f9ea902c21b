#!/usr/bin/env bash
# Checks the English translation, builds Quillon with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test, then builds the Debian
# package (Release, in build-package) and checks it unpacked, then a short run
# of each fuzz target and a 60-second soak run.
# On a fresh Debian 12 machine it installs what it needs when run as root.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)

source scripts/lib/common.sh
ensure_packages cmake ninja-build g++ pkg-config qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libcli11-dev nlohmann-json3-dev libgtest-dev libgmock-dev mbpoll clang libclang-rt-14-dev \
  dpkg-dev file lintian desktop-file-utils appstream ser2net

jobs=$(nproc)
build="$root/build-test"

echo "== Translations (every text translated, translations/quillon_en.ts up to date)"
"$root/scripts/check-translations.sh"

echo "== Build (ASan + UBSan)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DQUILLON_SANITIZE=ON -DQUILLON_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen

echo "== Tests"
ctest_log=$(mktemp)
trap 'rm -f "$ctest_log"' EXIT
ctest --test-dir "$build" -j "$jobs" --output-on-failure --timeout 300 | tee "$ctest_log"
total=$(grep -Eo 'tests failed out of [0-9]+' "$ctest_log" | grep -Eo '[0-9]+$')

echo "== Package (Release build in build-package; checks on the unpacked package)"
"$root/scripts/package.sh"
"$root/scripts/package-test.sh"

if [ -f "$root/fuzz/CMakeLists.txt" ]; then
  echo "== Fuzzing (short run of each target)"
  "$root/scripts/fuzz.sh" "${QUILLON_FUZZ_SECONDS:-20}"
fi

if [ -x "$root/scripts/soak.sh" ]; then
  echo "== Soak (60 s)"
  "$root/scripts/soak.sh" 60
fi

echo "== All tests passed"
echo "tests: $total passed, 0 failed"
