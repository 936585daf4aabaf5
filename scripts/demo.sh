#!/usr/bin/env bash
# Builds everything, starts the simulated light source on COM1 beside the controller and
# opens the controller connected to it. Ends the simulator when the controller ends.
# Shares build/ with scripts/test.sh: after a test run that build has the test automation
# socket too (the CMake cache keeps VQ3_TEST_HOOKS=ON), which stays off unless VQ3_AUTOMATION
# is set, so the demo starts the controller without that variable.
set -euo pipefail
cd "$(dirname "$0")/.."
VQ3_RELEASE_CHECKS=0 scripts/setup.sh # the demo needs no fuzzing tools
bin=build/bin
"$bin/vq3-simulator" --link "$bin/COM1" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$bin/COM1" ] && break; sleep 0.1; done
env -u VQ3_AUTOMATION "$bin/vq3-controller"
