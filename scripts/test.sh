#!/usr/bin/env bash
# Builds everything with the test automation socket (VQ3_TEST_HOOKS, which the end-to-end tests
# drive) and runs the whole test suite headless. Then, unless VQ3_RELEASE_CHECKS is "0", the
# release checks: the Debian package from a build without tests or test hooks (build-pkg/),
# checked for automation code, its menu entry and AppStream metadata validated and lintian
# run on it; the whole suite again in a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/); and a short run of every fuzzer (build-fuzz/,
# VQ3_FUZZ_RUNS executions each, default 20000) when clang and libFuzzer are at hand.
set -euo pipefail
cd "$(dirname "$0")/.."
VQ3_CMAKE_ARGS="-DVQ3_TEST_HOOKS=ON ${VQ3_CMAKE_ARGS:-}" scripts/setup.sh
(
    cd "${VQ3_BUILD_DIR:-build}"
    # Three at a time on two cores: the tests mostly wait for the line, the bus and timers.
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j3 --timeout 300
)

if [ "${VQ3_RELEASE_CHECKS:-1}" = "0" ]; then
    exit 0
fi

pkg=${VQ3_PACKAGE_BUILD_DIR:-build-pkg}
echo "== package ($pkg): no tests, no test hooks"
cmake -S . -B "$pkg" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DVQ3_TEST_HOOKS=OFF \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
# Through ccache, as in scripts/setup.sh: only what differs from the test build is compiled.
CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1 cmake --build "$pkg" -j"$(nproc)" >/dev/null
if strings "$pkg/bin/vq3-controller" | grep -x -e VQ3_AUTOMATION -e prompts -e answer -e grab; then
    echo "FAIL: $pkg/bin/vq3-controller carries the test automation socket"
    exit 1
fi
desktop-file-validate packaging/vq3-controller.desktop
# --no-net: the screenshot and homepage URLs name the project's site, out of reach here.
appstreamcli validate --no-net "$pkg"/packaging/*.metainfo.xml
rm -f "$pkg"/vq3-controller_*.deb
(cd "$pkg" && cpack >/dev/null)
lintian --fail-on error "$pkg"/vq3-controller_*.deb
echo "   $(ls "$pkg"/vq3-controller_*.deb): no lintian errors"

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
