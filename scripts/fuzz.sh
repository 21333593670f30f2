#!/usr/bin/env bash
# Builds every fuzz harness with clang and runs each for a while (30 s unless K7_FUZZ_SECONDS
# says otherwise) over its seed corpus; fails when any harness finds a fault.
#
# A harness's seeds are fuzz/corpus/<harness>/ (when present). What it finds beyond them goes to
# a scratch corpus, build-fuzz/corpus/<harness>/, emptied before every run; inputs that make it
# fail are kept in build-fuzz/artifacts/<harness>/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${K7_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${K7_FUZZ_SECONDS:-30}"

cmake -S "$root" -B "$build" -DK7_BUILD_FUZZ=ON -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DK7_BUILD_TESTS=OFF -DK7_BUILD_BENCH=OFF -DK7_BUILD_QT=OFF
cmake --build "$build" --target k7_fuzzers -j "$(nproc)"

harnesses=()
for source in "$root"/fuzz/*_fuzz.cpp; do
    harnesses+=("$(basename "$source" .cpp)")
done

# Each harness runs on one core: as many run at once as the machine has cores.
jobs="${K7_FUZZ_JOBS:-$(nproc)}"

run_harness() {
    local harness=$1
    local binary="$build/bin/$harness"
    if [[ ! -x "$binary" ]]; then
        echo "fuzz: $harness was not built" >&2
        return 1
    fi
    local corpus="$build/corpus/$harness"
    local artifacts="$build/artifacts/$harness"
    rm -rf "$corpus"
    mkdir -p "$corpus" "$artifacts"
    local seeds=()
    if [[ -d "$root/fuzz/corpus/$harness" ]]; then
        seeds+=("$root/fuzz/corpus/$harness")
    fi
    local environment=()
    if [[ "$harness" == sim_requests_fuzz ]]; then
        # The simulated cards keep no state on disk between runs.
        environment+=(KARVO7_SIM_STATE=off)
    fi
    echo "fuzz: $harness for ${seconds} s"
    if env "${environment[@]}" "$binary" -max_total_time="$seconds" \
        -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" >"$build/$harness.log" 2>&1; then
        grep -E '^Done ' "$build/$harness.log" | sed "s/^/fuzz: $harness: /" || true
    else
        echo "fuzz: $harness FAILED, the last lines of $build/$harness.log:" >&2
        tail -n 40 "$build/$harness.log" >&2
        return 1
    fi
}

# Each harness leaves its outcome in a file of its own: 0 when it ran clean.
status="$build/status"
rm -rf "$status"
mkdir -p "$status"
active=0
for harness in "${harnesses[@]}"; do
    if ((active >= jobs)); then
        wait -n || true
        active=$((active - 1))
    fi
    (
        code=0
        run_harness "$harness" || code=$?
        echo "$code" >"$status/$harness"
    ) &
    active=$((active + 1))
done
wait
failed=()
for harness in "${harnesses[@]}"; do
    [[ "$(cat "$status/$harness" 2>/dev/null)" == 0 ]] || failed+=("$harness")
done

if ((${#failed[@]} > 0)); then
    echo "fuzz: failed: ${failed[*]}" >&2
    exit 1
fi
echo "fuzz: ${#harnesses[@]} harnesses clean"
