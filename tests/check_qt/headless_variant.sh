#!/bin/sh
# Runs "Check All" headless with the shipped parameter file changed by sed expressions, and
# checks the exit code and one result line.
#   headless_variant.sh PROGRAM EXPECTED_EXIT LINE_PATTERN [SED_EXPRESSION...]
# The program is copied into a scratch folder beside its changed parameter file; it runs in its
# own folder, where the parameter file names the reference files relative to the working folder.
set -u
program=$1 expected=$2 pattern=$3
shift 3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$program" "$scratch/KARVO7Check"
cp "$(dirname "$program")/KARVO7Check.INI" "$scratch/KARVO7Check.INI"
for expression in "$@"; do
    sed -i "$expression" "$scratch/KARVO7Check.INI"
done
out=$("$scratch/KARVO7Check" --check-all 2>"$scratch/err")
rc=$?
echo "$out"
cat "$scratch/err"
echo "exit $rc"
test "$rc" -eq "$expected" && echo "$out" | grep -qE "$pattern"
