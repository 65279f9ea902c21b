# Shared by the scripts in scripts/: package check and the simulator-backed
# program start. Source it; it defines functions only.

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
  local packages=(cmake ninja-build g++ qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libcli11-dev nlohmann-json3-dev fonts-wqy-microhei)
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
