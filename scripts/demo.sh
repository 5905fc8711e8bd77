#!/usr/bin/env bash
# The demo: installs what is missing, builds, then starts the controller simulator and
# Quorvel connected to it over USB, so the live front panel shows at once.
#
# Quorvel starts Ethernet discovery, which broadcasts on every interface; so both run in
# a private network namespace with only loopback up, and nothing leaves this machine.
# Options: QUORVEL_DEMO_CODE8 picks the simulated model (61410031 kz9, 61420001 Pask,
# 61430001 Trel); QUORVEL_DEMO_SECONDS ends the demo by itself after that many seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${QUORVEL_BUILD_DIR:-build}

code8=${QUORVEL_DEMO_CODE8:-61410031}
seconds=${QUORVEL_DEMO_SECONDS:-0}

# Without a display, a virtual one: the window is then only visible to screenshots.
display_wrapper=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  display_wrapper=(xvfb-run -a -s "-screen 0 1024x768x24")
fi

. "$root/scripts/sim_start.sh"

run_demo() {
  local devdir
  devdir=$(mktemp -d /tmp/quorvel-demo.XXXXXX)
  export QUORVEL_DEV_DIR=$devdir
  start_sim "$build" "$devdir" --code8 "$code8" --usb-name ttySIM0 --tcp-port 0
  local limit=()
  if [ "$seconds" -gt 0 ]; then
    limit=(timeout "$seconds")
  fi
  # QUORVEL_DEMO_SNAPSHOT=file.png: a picture of the screen a few seconds in (needs
  # ImageMagick's import), to check an unattended demo.
  if [ -n "${QUORVEL_DEMO_SNAPSHOT:-}" ]; then
    (sleep 5 && import -window root "$QUORVEL_DEMO_SNAPSHOT") &
  fi
  "${limit[@]}" "$build"/bin/Quorvel --usb ttySIM0 || true
}


if [ "${QUORVEL_IN_NAMESPACE:-}" = 1 ]; then
  run_demo
  exit 0
fi

bash scripts/setup.sh

jobs=${QUORVEL_JOBS:-2}
export CCACHE_DIR=${CCACHE_DIR:-$root/.cache/ccache}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${QUORVEL_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build" -j "$jobs" --target Quorvel quorvel-sim

# The namespace keeps the X display reachable only through its socket file, which a new
# network namespace still sees; a TCP display would not be, so prefer the wrapper then.
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
export QUORVEL_DEMO_CODE8=$code8 QUORVEL_DEMO_SECONDS=$seconds
exec $SUDO unshare -n -- env "PATH=$PATH" "DISPLAY=${DISPLAY:-}" "QUORVEL_BUILD_DIR=$build" \
  "XAUTHORITY=${XAUTHORITY:-}" "QUORVEL_DEMO_CODE8=$code8" "QUORVEL_DEMO_SECONDS=$seconds" \
  "QUORVEL_DEMO_SNAPSHOT=${QUORVEL_DEMO_SNAPSHOT:-}" \
  QUORVEL_IN_NAMESPACE=1 "${display_wrapper[@]}" bash -c \
  "ip link set lo up && exec bash '$root/scripts/demo.sh'"
