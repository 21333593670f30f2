#!/usr/bin/env bash
# KARVO7DLL.def, which names the Windows DLL's exports, lists the functions in exports.txt.
set -euo pipefail
if ! diff <(sed -n 's/^    //p' "$1" | sort -u) <(sort -u "$2"); then
    echo "$1 differs from $2 (< .def file, > expected)"
    exit 1
fi
