# Shared by the scripts in scripts/: the Debian packages they need, the
# sanitizer tree, package check and the simulator-backed program start.
# Source it; it defines package lists and functions only.

# Debian packages, one list per purpose; each script installs the lists it
# needs, so a new dependency goes into exactly one list here.
#   BUILD    the programs and the command-line tool (any build of the tree),
#            with the translations built in and Qt's own loaded
#   TEST     the test suite, the clang sanitizer tree and the fuzz targets
#   PACKAGE  the .deb and the .tar.gz, and their checks
#   BENCH    the benchmarks' reference master
QUILLON_PACKAGES_BUILD=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-tools-dev qt6-l10n-tools
  qt6-translations-l10n libcli11-dev nlohmann-json3-dev)
QUILLON_PACKAGES_TEST=(libgtest-dev libgmock-dev mbpoll ser2net clang lld llvm libclang-rt-14-dev)
QUILLON_PACKAGES_PACKAGE=(dpkg-dev file lintian desktop-file-utils appstream)
QUILLON_PACKAGES_BENCH=(libmodbus-dev ser2net)

# ensure_packages PKG...: installs what is missing when run as root (after
# apt-get update); otherwise prints the exact apt-get line and exits 1.
ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" = 0 ]; then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
  else
    echo "Missing packages. Install them with:"
    echo "  sudo apt-get install -y ${missing[*]}"
    exit 1
  fi
}

# configure_sanitizer_tree ROOT BUILD: clang with AddressSanitizer and
# UndefinedBehaviorSanitizer, the test suite and the libFuzzer targets in one
# tree (the test command and scripts/fuzz.sh share it). Unoptimised: the
# sanitizers find the same faults, CLI11 and nlohmann-json compile in half the
# time, and the suite waits on lines far more than it computes. Line tables
# give file:line in sanitizer reports at a fraction of full debug
# information's compile and link time; lld links the large test programs
# fastest; the libraries build in batches and the tests' own sources
# quickly (CMakeLists.txt and tests/CMakeLists.txt say how).
configure_sanitizer_tree() {
  local root=$1 build=$2
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS_DEBUG="-O0 -gline-tables-only" -DCMAKE_CXX_FLAGS_DEBUG="-O0 -gline-tables-only" \
    -DCMAKE_EXE_LINKER_FLAGS="-fuse-ld=lld" -DQUILLON_SANITIZE=ON -DQUILLON_BUILD_FUZZ=ON \
    -DQUILLON_QUICK_TESTS=ON -DQUILLON_UNITY_BUILD=ON -DQUILLON_BUILD_BENCH=OFF >/dev/null
}

has_display() {
  [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]
}

# run_with_simulator ROOT PROGRAM SCRIPT [SIMULATOR OPTION...]: builds PROGRAM
# and quillon-sim in ROOT/build-run, starts the simulator on a pseudo-terminal
# with the given options (it maps port 1 to its device in the config.ini
# beside PROGRAM), runs PROGRAM and stops the simulator when PROGRAM exits.
run_with_simulator() {
  local root=$1 program=$2 script=$3
  shift 3
  local packages=("${QUILLON_PACKAGES_BUILD[@]}" fonts-wqy-microhei)
  has_display || packages+=(xvfb xauth)
  ensure_packages "${packages[@]}"

  if ! has_display; then
    echo "No display: DISPLAY and WAYLAND_DISPLAY are both empty, and $program is a desktop program."
    echo "Run it on a virtual X display instead:"
    echo "  xvfb-run -a $script"
    exit 1
  fi

  local build="$root/build-run"
  echo "== Build (Release, in $build)"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)" --target "$program" quillon-sim
  local bin="$build/bin"

  # The simulator writes [ports] com1=<device> into config.ini before it
  # prints the device as its first line.
  exec 3< <(exec "$bin/quillon-sim" --config "$bin/config.ini" "$@")
  SIMULATOR_PID=$!
  trap 'kill "$SIMULATOR_PID" 2>/dev/null || true; wait "$SIMULATOR_PID" 2>/dev/null || true' EXIT
  trap 'exit 130' INT TERM

  local device=""
  if ! read -r -t 10 device <&3 || [ -z "$device" ]; then
    echo "The module simulator did not start." >&2
    exit 1
  fi
  echo "== Module simulator on $device (port 1, any baud rate)"
  echo "== $program"
  "$bin/$program"
}
