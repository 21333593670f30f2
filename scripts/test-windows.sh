#!/usr/bin/env bash
# Cross-builds the Windows programs and libraries with MinGW-w64 into build-win/ (or
# $K7_WIN_BUILD_DIR) and runs their test suites under Wine, in a Wine prefix of the build's own.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${K7_WIN_BUILD_DIR:-$root/build-win}"
"$root/scripts/install-deps.sh" windows
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
mkdir -p "$build"
wineboot -i > /dev/null 2>&1 || true
wineserver -w
# One Wine server for the whole run: left alone it ends a few seconds after the last program,
# and a test program starting just then loses its connection to it.
wineserver -p
trap 'wineserver -k || true' EXIT
# Wine's own services start with the first program and live as long as the server. Started
# here, they hold no test's output open, so that ctest sees each test end.
wine cmd /c exit < /dev/null > /dev/null 2>&1 || true
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DK7_BUILD_QT=OFF -DK7_BUILD_BENCH=OFF "$@"
cmake --build "$build" -j "$(nproc)"
cd "$build"
# Now and then Wine fails to start a program at all (it ends at once, before the test's first
# line): a test that failed is run again, up to three times in all.
ctest --output-on-failure -j "$(nproc)" --repeat until-pass:3
# The installer and the ZIP, built, listed, installed, run and uninstalled in the same prefix.
K7_WIN_BUILD_DIR="$build" "$root/scripts/package-windows.sh"
