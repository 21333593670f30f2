#!/bin/sh
# Runs "Check All" headless without any card and checks that it says why on standard error and
# ends with exit 2.
#   headless_no_cards.sh PROGRAM
set -u
program=$1
err=$("$program" --check-all 2>&1 >/dev/null)
rc=$?
echo "$err"
echo "exit $rc"
test "$rc" -eq 2 && echo "$err" | grep -q 'Program Cancel: Treiber KARVO7.sys ist nicht aktiv!'
