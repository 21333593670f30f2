#!/usr/bin/env bash
# Builds the Debian packages from the build in build/ (or $K7_BUILD_DIR), checks them with
# lintian and desktop-file-validate, unpacks them into a scratch root (never installing them on
# this machine) and uses them from there on simulated cards: a CMake consumer with
# find_package(KARVO7), a pkg-config consumer, the command-line tools, the check program's
# unattended "Check All" and the Python package. Exits non-zero at the first failure.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${K7_BUILD_DIR:-$root/build}"

step() { printf '\n== %s\n' "$*"; }
fail() {
    echo "check-packages: $*" >&2
    exit 1
}

"$root/scripts/install-deps.sh"

step "packages"
# The packages install below /usr, where the libraries go into the multiarch folder.
cmake -S "$root" -B "$build" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j "$(nproc)" >"$build/packages-build.log" 2>&1 ||
    { tail -50 "$build/packages-build.log"; fail "build failed"; }
packages="$build/packages"
rm -rf "$packages"
cpack --config "$build/CPackConfig.cmake" -B "$packages" >"$build/cpack.log" 2>&1 ||
    { cat "$build/cpack.log"; fail "cpack failed"; }
rm -rf "$packages/_CPack_Packages"
debs=("$packages"/*.deb)
expected=(libkarvo7-1 libkarvo7-dev karvo7-sim karvo7-check karvo7-tools python3-karvo7)
for name in "${expected[@]}"; do
    ls "$packages/${name}_"*.deb >/dev/null 2>&1 || fail "no package $name"
done
for deb in "${debs[@]}"; do
    dpkg-deb --field "$deb" Package Version Depends | sed 's/^/  /'
done

step "lintian"
# No errors and no warnings: each warning that remains is overridden in the package's lintian
# overrides (packaging/debian/*.lintian-overrides), with its reason beside it.
lintian --allow-root --fail-on error,warning --info "${debs[@]}"

step "unpacked into a scratch root"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
sysroot="$scratch/root"
for deb in "${debs[@]}"; do
    dpkg-deb -x "$deb" "$sysroot"
done
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
libdir="$sysroot/usr/lib/$multiarch"
desktop-file-validate "$sysroot/usr/share/applications/karvo7-check.desktop"
# Everything runs from the unpacked files on simulated cards, keeping nothing of theirs on disk,
# with a home and configuration folder of its own.
export LD_LIBRARY_PATH="$libdir"
export KARVO7_SIM_STATE=off
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/config"
mkdir -p "$HOME"
unset KARVO7_DRIVER

# `expect_output TEXT COMMAND...`: the command succeeds and its output holds TEXT.
expect_output() {
    local text="$1" output
    shift
    output="$("$@")" || fail "$* failed: $output"
    printf '%s\n' "$output" | sed 's/^/  /'
    grep -qF -- "$text" <<<"$output" || fail "$* did not print \"$text\""
}

step "CMake consumer (find_package)"
consumer="$scratch/consumer"
mkdir -p "$consumer"
cat >"$consumer/scan.c" <<'EOF'
#include <stdio.h>

#include "KARVO7Acquire.h"
#include "KARVO7DLL.h"
#include "KARVO7Stream.h"

int main(void) {
    const uint32_t decoder = KARVO7StreamVersion();
    const uint32_t engine = K7AcqVersion();
    printf("cards: %d, decoder %u.%u.%u, engine %u.%u.%u\n", KARVO7Scan(), decoder >> 16,
           (decoder >> 8) & 0xFF, decoder & 0xFF, engine >> 16, (engine >> 8) & 0xFF,
           engine & 0xFF);
    return 0;
}
EOF
cat >"$consumer/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(consumer LANGUAGES C)
find_package(KARVO7 1 REQUIRED)
add_executable(scan scan.c)
target_link_libraries(scan PRIVATE KARVO7::KARVO7DLL KARVO7::KARVO7Stream KARVO7::KARVO7Acquire)
EOF
cmake -S "$consumer" -B "$consumer/build" -DCMAKE_PREFIX_PATH="$sysroot/usr" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >/dev/null
cmake --build "$consumer/build" >/dev/null
version="$(dpkg-deb --field "$packages"/libkarvo7-1_*.deb Version)"
expect_output "cards: 2, decoder $version, engine $version" env KARVO7_SIM=2 "$consumer/build/scan"

step "pkg-config consumer"
# The files name their folders from where they lie: the unpacked copy is found as it is.
flags="$(PKG_CONFIG_LIBDIR="$libdir/pkgconfig" \
    pkg-config --cflags --libs karvo7 karvo7-stream karvo7-acquire)"
echo "  $flags"
# shellcheck disable=SC2086 # the flags are words
cc -o "$consumer/scan-pc" "$consumer/scan.c" $flags
expect_output "cards: 3, decoder $version" env KARVO7_SIM=3 "$consumer/scan-pc"

step "simulated cards only when asked for"
expect_output "2 cards found" env KARVO7_SIM=2 "$sysroot/usr/bin/karvo7-list"
expect_output "2 cards found" \
    env KARVO7_SIM="$sysroot/usr/share/karvo7/karvo7sim.conf" "$sysroot/usr/bin/karvo7-list"
# Without KARVO7_SIM there are no cards, and the module is never loaded.
loaded="$(env -u KARVO7_SIM LD_DEBUG=files "$sysroot/usr/bin/karvo7-list" 2>&1)"
grep -qF "0 cards found" <<<"$loaded" || fail "cards without KARVO7_SIM"
if grep -q "libKARVO7Sim" <<<"$loaded"; then
    fail "the simulated-card module was loaded without KARVO7_SIM"
fi
echo "  0 cards found, libKARVO7Sim not loaded"

step "check program: Check All on simulated cards"
# No parameter file beside the program: the user's copy is made from the shipped example.
env KARVO7_SIM=2 QT_QPA_PLATFORM=offscreen "$sysroot/usr/bin/KARVO7Check" --check-all \
    --report "$scratch/report.xml" >"$scratch/check-all.txt" 2>"$scratch/check-all.err" ||
    { cat "$scratch/check-all.txt" "$scratch/check-all.err"; fail "KARVO7Check --check-all failed"; }
sed 's/^/  /' "$scratch/check-all.txt"
test -f "$XDG_CONFIG_HOME/karvo7/KARVO7Check.INI" || fail "no parameter file in the user's folder"
grep -qF "Filename=$sysroot/usr/share/karvo7/KARVO7DSP.hex" "$XDG_CONFIG_HOME/karvo7/KARVO7Check.INI" ||
    fail "the user's parameter file does not name the shipped DSP image"
grep -q "<testcase" "$scratch/report.xml" || fail "no test case in the report"

step "karvo7 list"
expect_output "card 2: bus 1, slot 13, version 3" env KARVO7_SIM=2 "$sysroot/usr/bin/karvo7" list

step "Python package"
# The cards through the card library, and a cycle-end word through the decoder library.
expect_output "cards: 2, items: 1" env KARVO7_SIM=2 \
    PYTHONPATH="$sysroot/usr/lib/python3/dist-packages" PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 \
    -c 'import karvo7; print("cards:", karvo7.scan(), end=", ");
print("items:", len(list(karvo7.decode(bytes.fromhex("ffefffff")))))'
# Its version as the distribution metadata gives it, the package's own.
expect_output "karvo7 $version $version" env \
    PYTHONPATH="$sysroot/usr/lib/python3/dist-packages" PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 \
    -c 'import importlib.metadata, karvo7;
print("karvo7", importlib.metadata.version("karvo7"), karvo7.__version__)'
# Removing the package removes the byte-code an interpreter wrote beside its modules: its prerm,
# pointed at the scratch root, on the byte-code of an import there.
modules="$sysroot/usr/lib/python3/dist-packages/karvo7"
env -u PYTHONDONTWRITEBYTECODE KARVO7_SIM=1 PYTHONPATH="$sysroot/usr/lib/python3/dist-packages" \
    /usr/bin/python3 -c 'import karvo7'
ls "$modules"/__pycache__/*.pyc >/dev/null || fail "the import wrote no byte-code"
dpkg-deb --ctrl-tarfile "$packages"/python3-karvo7_*.deb | tar -xO ./prerm |
    sed "s|/usr/lib/python3/dist-packages/karvo7|$modules|g" >"$scratch/prerm"
sh "$scratch/prerm" remove
if find "$modules" -name '*.pyc' | grep -q .; then
    fail "byte-code left behind by the prerm"
fi
echo "  prerm removed the byte-code"

step "packages checked: ${#debs[@]}"
