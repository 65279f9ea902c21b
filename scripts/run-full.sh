#!/usr/bin/env bash
# Builds the full edition and runs it against the module simulator: port "1"
# on the serial page is the simulator. On a fresh Debian 12 machine it
# installs what it needs when run as root. Options are passed to the
# simulator, e.g. --echo for a line behind an adapter that echoes.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh
run_with_simulator "$(pwd)" Quillon scripts/run-full.sh "$@"
