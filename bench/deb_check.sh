#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, runs the installed program the way
# an operator would (offscreen, with a fresh home folder) and removes the package again.
# Checks: the package's file list; the installed program has no test automation code; started
# from /usr/bin it keeps its profile and COMn links in ~/.config/vq3-controller (creating it),
# opens COM1 from there (the simulator's log shows its status query) and ends normally on
# SIGTERM; vq3-ports finds that folder; nothing lands in /usr/bin. Prints PASS or FAIL. Run as
# root; not part of CI.
#
#     bench/deb_check.sh [build folder, default build-pkg]
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-pkg}
work=$(mktemp -d /tmp/vq3-debcheck-XXXXXX)
pids=()
installed_by_us=0

cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    if [ "$installed_by_us" = 1 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vq3-controller >/dev/null 2>&1
    fi
    rm -rf "$work"
}
fail() {
    echo "FAIL: $*"
    cleanup
    exit 1
}
[ "$(id -u)" = 0 ] || fail "run as root (installs a package)"
if dpkg -s vq3-controller >/dev/null 2>&1; then
    fail "vq3-controller is already installed; remove it first"
fi

wait_for() { # seconds, test...
    local tries=$(($1 * 10))
    shift
    for ((i = 0; i < tries; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Runs the installed program with HOME=$1 until $2 (a test) holds, then ends it with SIGTERM,
# as a desktop session ends it; it must end normally and write its profile.
run_installed() {
    local home=$1
    shift
    mkdir -p "$home/run" && chmod 700 "$home/run"
    (cd / && exec env -u XDG_CONFIG_HOME -u VQ3_AUTOMATION HOME="$home" \
        XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen /usr/bin/vq3-controller \
        >"$home/stdout" 2>&1) &
    local pid=$!
    pids+=("$pid")
    wait_for 10 "$@" || fail "the installed program did not get going: $(cat "$home/stdout")"
    sleep 1
    kill -TERM "$pid"
    wait_for 10 bash -c "! kill -0 $pid 2>/dev/null" || fail "the installed program did not end"
    wait "$pid"
    local code=$?
    [ "$code" = 0 ] || fail "the installed program ended with code $code"
}

echo "== building the package in $build"
cmake -S . -B "$build" -DBUILD_TESTING=OFF -DVQ3_TEST_HOOKS=OFF >"$work/configure.log" 2>&1 ||
    fail "configure, see $work/configure.log"
(cd "$build" && cpack) >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls -t "$build"/vq3-controller_*.deb | head -n1)
[ -n "$deb" ] || fail "no .deb built"
echo "   $deb"
dpkg-deb -f "$deb" Depends | grep -q fonts-liberation || fail "fonts-liberation not declared"

echo "== installing"
installed_by_us=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$(realpath "$deb")" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get install"; }
echo "== dpkg -L vq3-controller"
dpkg -L vq3-controller | tee "$work/files"
for f in /usr/bin/vq3-controller /usr/bin/vq3-simulator /usr/bin/vq3-ports \
    /usr/share/applications/vq3-controller.desktop \
    /usr/share/icons/hicolor/scalable/apps/vq3-controller.svg; do
    grep -qx "$f" "$work/files" || fail "$f missing from the package"
done

if strings /usr/bin/vq3-controller | grep -q -x -e VQ3_AUTOMATION -e prompts -e answer -e grab; then
    fail "the installed program carries the test automation socket"
fi

echo "== first start with an empty home: the configuration folder is made, port 1 is tried"
home1=$work/home1
mkdir -p "$home1"
run_installed "$home1" test -d "$home1/.config/vq3-controller"
profile=$home1/.config/vq3-controller/VQ3_CNT.ini
[ -f "$profile" ] || fail "no $profile"
grep -q '^OPENPARAM=' "$profile" || fail "incomplete profile: $(cat "$profile")"
echo "   $profile written"

echo "== COM1 linked in the configuration folder is opened"
home2=$work/home2
config=$home2/.config/vq3-controller
mkdir -p "$config"
printf '[INIT]\r\nPORT=1\r\n' >"$config/VQ3_CNT.ini"
/usr/bin/vq3-simulator --link "$config/COM1" --log "$work/sim.rx" --quiet &
pids+=("$!")
wait_for 10 test -L "$config/COM1" || fail "the installed simulator did not link COM1"
ports=$(cd / && env -u XDG_CONFIG_HOME HOME="$home2" /usr/bin/vq3-ports) || fail "vq3-ports failed"
[[ $ports == *"Folder read by vq3-controller: $config"* ]] || fail "vq3-ports: $ports"
[[ $ports == *"COM1 -> /dev/pts/"* ]] || fail "vq3-ports does not see COM1: $ports"
run_installed "$home2" grep -q INP "$work/sim.rx"
# A port that failed to open is written back as 0.
grep -q '^PORT=1' "$config/VQ3_CNT.ini" || fail "port not kept: $(cat "$config/VQ3_CNT.ini")"
grep -q '^MAIN_X=' "$config/VQ3_CNT.ini" || fail "profile not rewritten"
echo "   the simulator received: $(tr '\r' ' ' <"$work/sim.rx")"

ls /usr/bin | grep -q -e '^VQ3_CNT.ini$' -e '^COM[1-9]$' -e '^\.vq3-probe' &&
    fail "files left in /usr/bin"

echo "== removing"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vq3-controller >"$work/remove.log" 2>&1 ||
    fail "apt-get remove"
installed_by_us=0
[ ! -e /usr/bin/vq3-controller ] || fail "/usr/bin/vq3-controller still there after removal"

cleanup
echo PASS
