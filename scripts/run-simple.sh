#!/usr/bin/env bash
# Builds the simple edition and runs it against the module simulator: it
# opens port "1", the simulator, as it starts. On a fresh Debian 12 machine it
# installs what it needs when run as root. Options are passed to the
# simulator, e.g. --echo for a line behind an adapter that echoes.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh
run_with_simulator "$(pwd)" Quillon_Simple scripts/run-simple.sh "$@"
