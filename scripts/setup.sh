#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12 (run as root), then configures
# and builds into build/. Safe to run again: it only installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake qt6-base-dev qt6-base-dev-tools libgl-dev fonts-liberation locales ccache)
# Scripting: the tests run a private session bus (dbus-run-session); the Python module
# vq3controller and its examples use python3-jeepney, its tests pytest; the bus tests drive
# the controller with python3-dbus.
packages+=(dbus-daemon python3-dbus python3-jeepney python3-pytest)
# The release checks of scripts/test.sh (on unless VQ3_RELEASE_CHECKS=0) also build the
# fuzzers in fuzz/: clang with its libFuzzer and sanitizer runtimes. (The sanitized test
# build uses gcc's own runtimes, which come with build-essential.)
# They also check the Debian package: its menu entry, AppStream metadata and lintian's verdict.
if [ "${VQ3_RELEASE_CHECKS:-1}" != "0" ]; then
    packages+=(clang libclang-rt-14-dev desktop-file-utils appstream lintian)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

# The tests check that the wire format does not follow a comma-decimal locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    sed -i 's/^# *de_DE.UTF-8/de_DE.UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi

# ccache lets the package build of scripts/test.sh reuse this build's objects (the libraries
# are compiled the same way in both): paths below the checkout are hashed relative to it.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
build=${VQ3_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    ${VQ3_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
