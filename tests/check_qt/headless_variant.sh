#!/bin/sh
# Runs "Check All" headless with the shipped parameter file changed by sed expressions, and
# checks the exit code and one result line.
#   headless_variant.sh PROGRAM EXPECTED_EXIT LINE_PATTERN [SED_EXPRESSION...]
# The program is copied into a scratch folder beside its changed parameter file and the
# reference files, which the parameter file names relative to its own folder.
set -u
program=$1 expected=$2 pattern=$3
shift 3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$program" "$scratch/KARVO7Check"
cp "$(dirname "$program")/KARVO7Check.INI" "$scratch/KARVO7Check.INI"
cp "$(dirname "$program")/KARVO7Kennung.txt" "$(dirname "$program")/KARVO7DSP.hex" "$scratch/"
for expression in "$@"; do
    sed -i "$expression" "$scratch/KARVO7Check.INI"
done
out=$("$scratch/KARVO7Check" --check-all 2>"$scratch/err")
rc=$?
echo "$out"
cat "$scratch/err"
echo "exit $rc"
test "$rc" -eq "$expected" && echo "$out" | grep -qE "$pattern"
