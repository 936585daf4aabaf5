#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, runs the installed program the way
# an operator would (offscreen, with a fresh home folder) and removes the package again.
# Checks: the package's file list; the program started from /usr/bin keeps its profile and
# COMn links in ~/.config/vq3-controller (creating it), opens COM1 from there and ends
# normally; nothing lands in /usr/bin. Prints PASS or FAIL. Run as root; not part of CI.
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

# Sends one automation request, prints the one-line answer.
automation() {
    python3 - "$1" "$2" <<'PY'
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.settimeout(10)
s.connect(sys.argv[1])
s.sendall(sys.argv[2].encode() + b"\n")
print(s.makefile("r").readline().strip())
PY
}

wait_for() { # seconds, test...
    local tries=$(($1 * 10))
    shift
    for ((i = 0; i < tries; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Runs the installed program with HOME=$1 until it is closed through the automation socket.
run_installed() {
    local home=$1 sock=$1/auto.sock
    mkdir -p "$home/run" && chmod 700 "$home/run"
    (cd / && env -u XDG_CONFIG_HOME HOME="$home" XDG_RUNTIME_DIR="$home/run" \
        QT_QPA_PLATFORM=offscreen VQ3_AUTOMATION="$sock" /usr/bin/vq3-controller \
        >"$home/stdout" 2>&1) &
    local pid=$!
    pids+=("$pid")
    wait_for 10 test -S "$sock" || fail "the installed program did not start"
    sleep 1
    status=$(automation "$sock" '{"cmd":"get","path":"CControllerDlg/statusLink","prop":"text"}')
    automation "$sock" '{"cmd":"close","path":"CControllerDlg"}' >/dev/null
    wait_for 10 bash -c "! kill -0 $pid 2>/dev/null" || fail "the installed program did not end"
    wait "$pid"
    local code=$?
    [ "$code" = 0 ] || fail "the installed program ended with code $code"
}

echo "== building the package in $build"
cmake -S . -B "$build" >"$work/configure.log" 2>&1 || fail "configure, see $work/configure.log"
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
for f in /usr/bin/vq3-controller /usr/bin/vq3-simulator \
    /usr/share/applications/vq3-controller.desktop \
    /usr/share/icons/hicolor/scalable/apps/vq3-controller.svg; do
    grep -qx "$f" "$work/files" || fail "$f missing from the package"
done

echo "== first start with an empty home: the configuration folder is made, port 1 is tried"
home1=$work/home1
mkdir -p "$home1"
run_installed "$home1"
profile=$home1/.config/vq3-controller/VQ3_CNT.ini
[ -f "$profile" ] || fail "no $profile"
grep -q '^OPENPARAM=' "$profile" || fail "incomplete profile: $(cat "$profile")"
echo "   $profile written; status was $status"

echo "== COM1 linked in the configuration folder is opened"
home2=$work/home2
config=$home2/.config/vq3-controller
mkdir -p "$config"
printf '[INIT]\r\nPORT=1\r\n' >"$config/VQ3_CNT.ini"
/usr/bin/vq3-simulator --link "$config/COM1" --log "$work/sim.rx" --quiet &
pids+=("$!")
wait_for 10 test -L "$config/COM1" || fail "the installed simulator did not link COM1"
run_installed "$home2"
grep -q 'INP' "$work/sim.rx" || fail "nothing reached the simulator"
[[ $status == *'"COM1"'* ]] || fail "status bar: $status"
grep -q '^MAIN_X=' "$config/VQ3_CNT.ini" || fail "profile not rewritten"
echo "   status $status; the simulator received: $(tr '\r' ' ' <"$work/sim.rx")"

ls /usr/bin | grep -q -e '^VQ3_CNT.ini$' -e '^COM[1-9]$' -e '^\.vq3-probe' &&
    fail "files left in /usr/bin"

echo "== removing"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vq3-controller >"$work/remove.log" 2>&1 ||
    fail "apt-get remove"
installed_by_us=0
[ ! -e /usr/bin/vq3-controller ] || fail "/usr/bin/vq3-controller still there after removal"

cleanup
echo PASS
