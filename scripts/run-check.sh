#!/usr/bin/env bash
# Builds the project and starts the check program on two simulated cards.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${K7_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
export KARVO7_SIM="${KARVO7_SIM:-2}"
# The example parameter file and reference files lie beside the program.
cd "$build/bin"
if [ -x "$build/bin/KARVO7Check" ]; then
    exec ./KARVO7Check "$@"
fi
exec ./karvo7-list "$@"
