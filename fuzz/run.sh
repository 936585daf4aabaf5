#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one for a fixed
# number of executions on a fresh copy of its seed corpus (fuzz/corpus/<name>/). Fails on the
# first crash, leak, sanitizer report or broken invariant; the input that caused it is kept
# in build-fuzz/findings/.
#
#   fuzz/run.sh [runs]        runs per fuzzer, default 1000000
#   VQ3_FUZZ_TARGETS="fuzz_reply fuzz_channel" fuzz/run.sh 50000    only some of them
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-1000000}
build=${VQ3_FUZZ_BUILD_DIR:-build-fuzz}
targets=(${VQ3_FUZZ_TARGETS:-fuzz_reply fuzz_program_reply fuzz_program_file fuzz_settings_file fuzz_profile fuzz_channel})

# Longest input per target: a reply line is cut at 255 characters by the channel; files and
# the byte stream get room for several 255-character pieces.
declare -A max_len=(
    [fuzz_reply]=300
    [fuzz_program_reply]=128
    [fuzz_program_file]=4096
    [fuzz_settings_file]=4096
    [fuzz_profile]=2048
    [fuzz_channel]=4096
)

if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang++ is missing (apt-get install clang libclang-rt-14-dev)" >&2
    exit 1
fi

cmake -S . -B "$build" -G "Unix Makefiles" -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVQ3_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}"
# The fuzzers never open a window.
export QT_QPA_PLATFORM=offscreen

mkdir -p "$build/findings" "$build/logs"
for name in "${targets[@]}"; do
    [ -n "${max_len[$name]:-}" ] || { echo "fuzz: unknown target $name" >&2; exit 1; }
    work="$build/corpus/$name"
    rm -rf "$work"
    mkdir -p "$work"
    cp fuzz/corpus/"$name"/* "$work"/
    log="$build/logs/$name.log"
    "$build/bin/$name" -runs="$runs" -max_len="${max_len[$name]}" -timeout=10 \
        -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$build/findings/$name-" \
        "$work" >"$log" 2>&1 &
    pid=$!
    trap 'kill $pid 2>/dev/null || true' EXIT
    status=0
    wait $pid || status=$?
    trap - EXIT
    # fuzz_profile's scratch folder, left behind when the fuzzer stopped on a finding.
    rm -rf "/dev/shm/vq3-fuzz-$pid" "${TMPDIR:-/tmp}/vq3-fuzz-$pid"
    if [ $status -ne 0 ]; then
        tail -n 60 "$log" >&2
        echo "fuzz: $name FAILED (log: $log, input kept in $build/findings/)" >&2
        exit 1
    fi
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $name ${execs:-?} executions, no crash"
done
