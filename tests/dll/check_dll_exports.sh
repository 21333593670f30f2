#!/usr/bin/env bash
# KARVO7DLL.dll exports exactly the card functions and the device layer's documented entry
# points, under their own undecorated names: its export table equals the list in exports.txt.
set -euo pipefail
library="$1"
expected="$2"
objdump="$3"
actual=$("$objdump" -p "$library" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^\s*\[ *[0-9]*\] //p' | sort -u)
if ! diff <(echo "$actual") <(sort -u "$expected"); then
    echo "exported names differ from $expected (< library, > expected)"
    exit 1
fi
echo "$(echo "$actual" | wc -l) names exported, as listed"
