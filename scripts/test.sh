#!/usr/bin/env bash
# Builds everything with the test automation socket (VQ3_TEST_HOOKS, which the end-to-end tests
# drive) and runs the whole test suite headless. Then, unless VQ3_RELEASE_CHECKS
# is "0", the release checks: the whole suite again in a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), and a short run of every fuzzer (build-fuzz/,
# VQ3_FUZZ_RUNS executions each, default 20000) when clang and libFuzzer are at hand.
set -euo pipefail
cd "$(dirname "$0")/.."
VQ3_CMAKE_ARGS="-DVQ3_TEST_HOOKS=ON ${VQ3_CMAKE_ARGS:-}" scripts/setup.sh
(
    cd "${VQ3_BUILD_DIR:-build}"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300
)

if [ "${VQ3_RELEASE_CHECKS:-1}" = "0" ]; then
    exit 0
fi

asan=${VQ3_ASAN_BUILD_DIR:-build-asan}
echo "== sanitized build ($asan): AddressSanitizer, UndefinedBehaviorSanitizer"
cmake -S . -B "$asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVQ3_SANITIZE=ON -DVQ3_TEST_HOOKS=ON \
    >/dev/null
cmake --build "$asan" -j"$(nproc)" >/dev/null
(
    cd "$asan"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300
)

# libFuzzer comes with clang's runtimes (libclang-rt-14-dev); scripts/setup.sh installs both.
libfuzzer_works() {
    command -v clang++ >/dev/null 2>&1 || return 1
    local dir
    dir=$(mktemp -d)
    echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
        >"$dir/probe.cpp"
    clang++ -fsanitize=fuzzer,address,undefined "$dir/probe.cpp" -o "$dir/probe" >/dev/null 2>&1
    local status=$?
    rm -rf "$dir"
    return $status
}
if libfuzzer_works; then
    echo "== fuzzers: ${VQ3_FUZZ_RUNS:-20000} executions each"
    fuzz/run.sh "${VQ3_FUZZ_RUNS:-20000}"
else
    echo "== fuzzers skipped: clang++ with libFuzzer is not available"
fi
