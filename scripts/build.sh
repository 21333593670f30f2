#!/usr/bin/env bash
# Installs the dependencies, then configures and builds into build/ (or $K7_BUILD_DIR).
# Extra arguments go to cmake's configure step, e.g. -DK7_SANITIZE=address,undefined.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${K7_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" -j "$(nproc)"
