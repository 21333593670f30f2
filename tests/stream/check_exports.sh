#!/usr/bin/env bash
# A library of the project exports its C functions (exactly those in the list) and the C++ parts
# for the project's own programs in one namespace (the third argument, k7stream by default),
# nothing else; with "none" as the third argument, no C++ symbol at all.
set -euo pipefail
library="$1"
expected="$2"
namespace="${3:-k7stream}"
symbols=$(nm -D --defined-only "$library" | awk '{print $3}' | sed 's/@.*//' | grep -v '^$' | sort -u)
c_symbols=$(echo "$symbols" | grep -v '^_Z' || true)
if ! diff <(echo "$c_symbols") <(sort -u "$expected"); then
    echo "exported C symbols differ from $expected (< library, > expected)"
    exit 1
fi
if [ "$namespace" = none ]; then
    cplusplus=$(echo "$symbols" | grep '^_Z' || true)
    if [ -n "$cplusplus" ]; then
        echo "C++ symbols are exported beside the C interface:"
        echo "$cplusplus"
        exit 1
    fi
    echo "$(echo "$symbols" | wc -l) C symbols exported, as listed, and no C++ symbol"
    exit 0
fi
others=$(echo "$symbols" | grep '^_Z' | grep -v -E "^_ZN?K?${#namespace}${namespace}" || true)
if [ -n "$others" ]; then
    echo "C++ symbols outside namespace $namespace are exported:"
    echo "$others"
    exit 1
fi
echo "$(echo "$symbols" | wc -l) symbols exported, as listed"
