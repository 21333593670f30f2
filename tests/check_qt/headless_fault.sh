#!/bin/sh
# Runs "Check All" headless on cards with a fault and checks that it ends with exit 1 and prints
# the failing result line.
#   headless_fault.sh PROGRAM RESULT_LINE
set -u
program=$1 line=$2
out=$("$program" --check-all 2>/dev/null)
rc=$?
echo "$out"
echo "exit $rc"
test "$rc" -eq 1 && echo "$out" | grep -qxF "$line"
