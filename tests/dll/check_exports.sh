#!/usr/bin/env bash
# The shared library exports exactly the card functions and the device layer's documented
# entry points: the defined dynamic symbols equal the list in exports.txt.
set -euo pipefail
library="$1"
expected="$2"
actual=$(nm -D --defined-only "$library" | awk '{print $3}' | sed 's/@.*//' | grep -v '^$' | sort -u)
if ! diff <(echo "$actual") <(sort -u "$expected"); then
    echo "exported symbols differ from $expected (< library, > expected)"
    exit 1
fi
echo "$(echo "$actual" | wc -l) symbols exported, as listed"
