#!/usr/bin/env bash
# The card library's own cost on Linux and under Wine, side by side: dll_bench of the Linux build
# (build/ or $K7_BUILD_DIR, Google Benchmark) and of the Windows build (build-win/ or
# $K7_WIN_BUILD_DIR, the plain timing program over the same operations) print the same two
# ratios. For information only: Wine's figure is not a Windows PC's, and nothing fails on it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
linux="${K7_BUILD_DIR:-$root/build}"
windows="${K7_WIN_BUILD_DIR:-$root/build-win}"
export WINEPREFIX="$windows/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

cmake --build "$linux" --target dll_bench -j "$(nproc)"
cmake -S "$root" -B "$windows" -DK7_BUILD_BENCH=ON > /dev/null
cmake --build "$windows" --target dll_bench -j "$(nproc)"
if wineserver -p 2> /dev/null; then
    trap 'wineserver -k || true' EXIT
    wine cmd /c exit < /dev/null > /dev/null 2>&1 || true
fi

# Each program prints its ratio lines ("ratio NAME: VALUE") on standard error; colour codes and
# Wine's carriage returns are taken out.
"$linux/bin/dll_bench" --benchmark_color=false 2>&1 | sed 's/\x1b\[[0-9;]*m//g' \
    > "$linux/dll_bench.txt"
wine "$windows/bin/dll_bench.exe" < /dev/null 2>&1 | tr -d '\r' > "$windows/dll_bench.txt"
grep -v -e '^Ja gut OK' -e '^ratio ' "$windows/dll_bench.txt"
awk -F': ' '
    FNR == NR && /^ratio / { order[++n] = $1; linux[$1] = $2; next }
    /^ratio / { wine[$1] = $2 }
    END {
        printf "%-46s %8s %16s\n", "", "Linux", "Windows (Wine)"
        for (i = 1; i <= n; ++i) {
            printf "%-46s %8s %16s\n", order[i], linux[order[i]], wine[order[i]]
        }
    }' "$linux/dll_bench.txt" "$windows/dll_bench.txt"
