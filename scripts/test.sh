#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: a plain build, then a
# build with AddressSanitizer and UndefinedBehaviorSanitizer. Then the tests of the
# threaded parts once more under ThreadSanitizer, and a short run of every fuzz target
# (scripts/fuzz.sh). The tests run inside a fresh network namespace, so that nothing they
# send can leave this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

jobs=${QUORVEL_JOBS:-$(nproc)}
export CCACHE_DIR=${CCACHE_DIR:-$root/.cache/ccache}

# run_suite DIR [TARGETS...] -- CMAKE OPTIONS...: builds TARGETS (everything when none)
# and runs the tests that were built.
run_suite() {
  local dir=$1
  shift
  local targets=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    targets+=(--target "$1")
    shift
  done
  [ $# -gt 0 ] && shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs" "${targets[@]}"
  # A private network namespace with only loopback up.
  unshare -n -- bash -c "ip link set lo up && cd '$dir' && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $jobs --timeout 300 -E '_NOT_BUILT\$'"
}

echo "== plain build"
run_suite build -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== sanitizer build"
run_suite build-asan -- -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON
echo "== thread sanitizer build (the threaded parts)"
# The core server, the discovery thread, the transfer worker (with its progress dialog),
# and the user-interface thread with them (the panel over the client, the whole
# application run).
tsan_targets=(test_comm_server test_comm_kill test_comm_shutdown test_comm_stuck test_discovery
              test_transfer_framework test_transfer_dialogs test_panel_sim test_app_lifecycle)
export TSAN_OPTIONS="halt_on_error=1 history_size=7 second_deadlock_stack=1 suppressions=$root/scripts/tsan.supp"
run_suite build-tsan "${tsan_targets[@]}" -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_TSAN=ON
unset TSAN_OPTIONS
echo "== fuzz targets, short runs"
for target in $(bash scripts/fuzz.sh); do
  bash scripts/fuzz.sh "$target" "${QUORVEL_FUZZ_SECONDS:-10}"
done
