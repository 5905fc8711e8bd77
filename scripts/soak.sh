#!/usr/bin/env bash
# The soak run: the program (application object, core server, discovery thread, main
# window) connected to quorvel-sim over USB, Ethernet and BLE in turn, a minute each,
# with the front panel live and a key clicked every 0.7 s. Prints the memory (RSS) and
# open descriptors at the start, every minute and at the end; exits non-zero when a link
# failed, the panel stayed dark, or an alert came up.
#   scripts/soak.sh MINUTES
# Runs in a private network namespace (discovery broadcasts), offscreen.
# QUORVEL_SOAK_LINK_SECONDS changes the time spent on each link.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${QUORVEL_BUILD_DIR:-build}

if [ $# -ne 1 ] || ! [[ $1 =~ ^[0-9]+([.][0-9]+)?$ ]]; then
  echo "usage: scripts/soak.sh MINUTES" >&2
  exit 2
fi
minutes=$1
link_seconds=${QUORVEL_SOAK_LINK_SECONDS:-60}

. "$root/scripts/sim_start.sh"

run_soak() {
  local devdir tcp
  devdir=$(mktemp -d /tmp/quorvel-soak.XXXXXX)
  start_sim "$build" "$devdir" --usb-name ttySIM0 --ble-name ttySIM1 \
    --ble-address A2:7B:C4:1D:5E:00 --bind 127.0.0.1 --tcp-port 0
  tcp=$(sed -n 's/^READY.* tcp=\([0-9]*\).*/\1/p' "$sim_log")
  QUORVEL_DEV_DIR=$devdir QUORVEL_DISCOVERY_IFACES=lo QT_QPA_PLATFORM=offscreen \
    QUORVEL_PROGRAM_DIR=$root/$build/bin \
    "$build"/tests/quorvel-soak --minutes "$minutes" --link-seconds "$link_seconds" \
    --usb ttySIM0 --eth "127.0.0.1:$tcp" --ble ttySIM1 A2:7B:C4:1D:5E:00
}

if [ "${QUORVEL_IN_NAMESPACE:-}" = 1 ]; then
  run_soak
  exit
fi

bash scripts/setup.sh
export CCACHE_DIR=${CCACHE_DIR:-$root/.cache/ccache}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "${QUORVEL_JOBS:-$(nproc)}" --target quorvel-soak quorvel-sim \
  Z9hb10_Comm Z9hb20_Comm HB30 quorvel_resources >/dev/null

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
exec $SUDO unshare -n -- env "PATH=$PATH" "QUORVEL_BUILD_DIR=$build" \
  "QUORVEL_SOAK_LINK_SECONDS=$link_seconds" QUORVEL_IN_NAMESPACE=1 \
  bash -c "ip link set lo up && exec bash '$root/scripts/soak.sh' '$minutes'"
