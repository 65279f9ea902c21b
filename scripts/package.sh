#!/usr/bin/env bash
# Builds the Debian package and the .tar.gz into dist/ from a Release build
# in build-package (hardening flags from dpkg-buildflags, no tests). On a
# fresh Debian 12 machine it installs what it needs when run as root.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)

source scripts/lib/common.sh
ensure_packages cmake ninja-build g++ pkg-config qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libcli11-dev nlohmann-json3-dev dpkg-dev file

build="$root/build-package"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
cflags=$(dpkg-buildflags --get CFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)

echo "== Build (Release, in $build)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_BENCH=OFF -DQUILLON_BUILD_FUZZ=OFF -DQUILLON_SANITIZE=OFF \
  -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" -DCMAKE_C_FLAGS="$cppflags $cflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j "$(nproc)"

echo "== Packages (dist/)"
# CPack stages its files in the build folder; only the packages go to dist/.
rm -rf "$build/packages"
rm -f "$root"/dist/quillon_*.deb "$root"/dist/quillon-*.tar.gz
(cd "$build" && cpack -G "DEB;TGZ" -B "$build/packages" >/dev/null)
mkdir -p "$root/dist"
mv "$build"/packages/quillon_*.deb "$build"/packages/quillon-*.tar.gz "$root/dist/"
ls -l "$root"/dist/quillon_*.deb "$root"/dist/quillon-*.tar.gz
