#!/usr/bin/env bash
# Builds the Debian package and the .tar.gz into dist/ from a Release build
# in build-package (hardening flags from dpkg-buildflags, no tests). On a
# fresh Debian 12 machine it installs what it needs when run as root.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)

source scripts/lib/common.sh
ensure_packages "${QUILLON_PACKAGES_BUILD[@]}" "${QUILLON_PACKAGES_PACKAGE[@]}"

build="$root/build-package"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CPack strips the programs, so debug information would only cost compile time.
export DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
cflags=$(dpkg-buildflags --get CFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)

echo "== Build (Release, in $build)"
# The optimisation level is dpkg-buildflags' -O2, as in Debian's own builds;
# the Release type adds only NDEBUG.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG \
  -DQUILLON_UNITY_BUILD=ON \
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
