#!/bin/sh
# Runs "Check All" headless with a JUnit report and checks the exit code and that the report
# holds one passing test case per result line.
#   headless_report.sh PROGRAM REPORT EXPECTED_EXIT
set -u
program=$1 report=$2 expected=$3
"$program" --check-all --report "$report" >"$report.out"
rc=$?
cat "$report.out"
lines=$(grep -c ': .' "$report.out")
echo "exit $rc, $lines result lines"
test "$rc" -eq "$expected" && test "$lines" -gt 0 &&
    grep -q "tests=.$lines. failures=.0." "$report"
