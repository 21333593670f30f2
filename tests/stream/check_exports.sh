#!/usr/bin/env bash
# The decoder library exports its C functions (exactly those in exports.txt) and the readers
# under them (namespace k7stream), nothing else.
set -euo pipefail
library="$1"
expected="$2"
symbols=$(nm -D --defined-only "$library" | awk '{print $3}' | sed 's/@.*//' | grep -v '^$' | sort -u)
c_symbols=$(echo "$symbols" | grep -v '^_Z' || true)
if ! diff <(echo "$c_symbols") <(sort -u "$expected"); then
    echo "exported C symbols differ from $expected (< library, > expected)"
    exit 1
fi
others=$(echo "$symbols" | grep '^_Z' | grep -v -E '^_ZN?K?8k7stream' || true)
if [ -n "$others" ]; then
    echo "C++ symbols outside the readers' namespace are exported:"
    echo "$others"
    exit 1
fi
echo "$(echo "$symbols" | wc -l) symbols exported, as listed"
