#!/usr/bin/env bash
# karvo7-list as its manual page describes it: English lines of the cards alone on standard
# output, the library's diagnostic lines and every message on standard error, --help.
# Argument: the program.
set -euo pipefail
list="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "karvo7-list: $*"; exit 1; }
export KARVO7_SIM_STATE=off
unset KARVO7_DRIVER

KARVO7_SIM=2 "$list" >"$scratch/out" 2>"$scratch/err" || fail "exit $? with two cards"
printf '2 cards found\ncard 1: bus 1, slot 12, KARVO7F\ncard 2: bus 1, slot 13, KARVO7F\n' \
    | cmp -s - "$scratch/out" || fail "standard output: $(cat "$scratch/out")"
grep -qx "Ja gut OK installiert !!" "$scratch/err" || fail "library lines: $(cat "$scratch/err")"

"$list" --help >"$scratch/out" 2>"$scratch/err" || fail "--help: exit $?"
grep -q "^Usage: karvo7-list" "$scratch/out" || fail "--help: $(cat "$scratch/out")"
test ! -s "$scratch/err" || fail "--help wrote to standard error"

status=0
"$list" --cards >"$scratch/out" 2>"$scratch/err" || status=$?
test "$status" -eq 2 || fail "an unknown argument: exit $status"
test ! -s "$scratch/out" || fail "an unknown argument wrote to standard output"
grep -q "unknown argument '--cards'" "$scratch/err" || fail "unknown argument: $(cat "$scratch/err")"

env -u KARVO7_SIM "$list" >"$scratch/out" 2>"$scratch/err" || fail "no cards: exit $?"
grep -qx "0 cards found" "$scratch/out" || fail "no cards: $(cat "$scratch/out")"
echo "karvo7-list: lines, --help and messages as documented"
