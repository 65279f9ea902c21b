#!/usr/bin/env bash
# Builds the simple edition and runs it against the module simulator. The
# simulator serves a pseudo-terminal and maps port 1 ("1" in the port list of
# the configuration page) to it in the config.ini beside Quillon_Simple, which
# opens that port as it starts. The simulator stops when Quillon_Simple
# closes. On a fresh Debian 12 machine it installs what it needs when run as
# root.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)

have_display=1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  have_display=0
fi

packages=(cmake ninja-build g++ qt6-base-dev libgtest-dev fonts-wqy-microhei)
if [ "$have_display" = 0 ]; then
  packages+=(xvfb)
fi

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

if [ "$have_display" = 0 ]; then
  echo "No display: DISPLAY and WAYLAND_DISPLAY are both empty, and Quillon_Simple is a desktop program."
  echo "Run it on a virtual X display instead:"
  echo "  xvfb-run -a scripts/run-simple.sh"
  exit 1
fi

build="$root/build-run"
echo "== Build (Release, in $build)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target Quillon_Simple quillon-sim

bin="$build/bin"

# The simulator prints its device as its first line and writes
# [ports] com1=<device> into the config.ini beside Quillon_Simple.
exec 3< <(exec "$bin/quillon-sim" --config "$bin/config.ini")
sim_pid=$!
stop_simulator() {
  if kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  exec 3<&- || true
}
trap stop_simulator EXIT
trap 'exit 130' INT TERM

device=""
if ! read -r -t 10 device <&3 || [ -z "$device" ]; then
  echo "The module simulator did not start." >&2
  exit 1
fi
# Quillon_Simple opens port 1 as it starts, so the mapping must be in
# config.ini first; the simulator writes it just after printing its device.
for _ in $(seq 1 50); do
  grep -q "com1=$device" "$bin/config.ini" 2>/dev/null && break
  sleep 0.1
done
echo "== Module simulator on $device (port 1 on the configuration page, any baud rate)"

echo "== Quillon_Simple"
"$bin/Quillon_Simple"
