#!/usr/bin/env bash
# An installation finds the simulated-card module in the folder karvo7/ below the library's:
# installs the library, the module and karvo7-list into a scratch prefix and lists the cards
# with KARVO7_SIM set (the cards are there) and without (none, and the module is never loaded).
# Arguments: build folder, library folder and program folder below the prefix, and the
# sanitizers the library was built with (empty for none).
set -euo pipefail
build="$1"
libdir="$2"
bindir="$3"
sanitize="${4:-}"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
for component in runtime sim tools dev; do
    cmake --install "$build" --prefix "$prefix" --component "$component" >/dev/null
done
test -e "$prefix/$libdir/karvo7/libKARVO7Sim.so.1" || { echo "module not installed"; exit 1; }
test ! -e "$prefix/$libdir/libKARVO7Sim.so.1" || { echo "module beside the library"; exit 1; }
export LD_LIBRARY_PATH="$prefix/$libdir" KARVO7_SIM_STATE=off
unset KARVO7_DRIVER

with="$(KARVO7_SIM=2 "$prefix/$bindir/karvo7-list" 2>&1)"
grep -q "^2 cards found" <<<"$with" || { echo "with KARVO7_SIM=2: $with"; exit 1; }
grep -q "^card 2: bus 1, slot 13, KARVO7F" <<<"$with" || { echo "with KARVO7_SIM=2: $with"; exit 1; }

without="$(env -u KARVO7_SIM LD_DEBUG=files "$prefix/$bindir/karvo7-list" 2>&1)"
grep -q "^0 cards found" <<<"$without" || { echo "without KARVO7_SIM: $without"; exit 1; }
if grep -q "libKARVO7Sim" <<<"$without"; then
    echo "the module was loaded without KARVO7_SIM"
    exit 1
fi
# The pkg-config files of a copy installed with --prefix name that copy's folders.
flags="$(PKG_CONFIG_LIBDIR="$prefix/$libdir/pkgconfig" pkg-config --cflags --libs karvo7 karvo7-ops)"
case "$flags" in
    *"-I$prefix/"*"-L$prefix/"*) ;;
    *) echo "pkg-config of the copy in $prefix: $flags"; exit 1 ;;
esac
# A library built with sanitizers needs their run time first in the program that loads it.
[ -z "$sanitize" ] || flags="-fsanitize=$sanitize $flags"
# shellcheck disable=SC2086 # the flags are words
cc -o "$prefix/scan" "$(dirname "$0")/../../tools/karvo7-list.c" $flags
grep -q "^card 2: bus 1, slot 13" <<<"$(KARVO7_SIM=2 "$prefix/scan" 2>&1)" ||
    { echo "a program built with the copy's pkg-config flags did not list the cards"; exit 1; }
echo "module found in $libdir/karvo7 with KARVO7_SIM, not loaded without; pkg-config finds the copy"
