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

# tests_of DIR EXECUTABLE...: a ctest regular expression naming the tests of DIR that run
# one of those executables.
tests_of() {
  local dir=$1
  shift
  ctest --test-dir "$dir" --show-only=json-v1 | python3 -c '
import json, os, re, sys
wanted = set(sys.argv[1:])
names = [t["name"] for t in json.load(sys.stdin)["tests"]
         if os.path.basename((t.get("command") or [""])[0]) in wanted]
print("^(" + "|".join(re.escape(n) for n in names) + ")$")' "$@"
}

# run_suite DIR [TARGETS...] -- CMAKE OPTIONS...: builds TARGETS and runs their tests, or
# builds everything and runs every test when no target is named.
run_suite() {
  local dir=$1
  shift
  local targets=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    targets+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  cmake -S . -B "$dir" -G Ninja "$@"
  local select=""
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$dir" -j "$jobs" "${targets[@]/#/--target=}"
    select="-R '$(tests_of "$dir" "${targets[@]}")'"
  else
    cmake --build "$dir" -j "$jobs"
  fi
  # A private network namespace with only loopback up.
  unshare -n -- bash -c "ip link set lo up && cd '$dir' && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $jobs --timeout 300 $select ${exclude:+-E '$exclude'}"
}
exclude=""

echo "== plain build"
# Optimised without debug information: the sanitizer build below keeps it, and leaving it
# out here saves a good part of the compile and link time.
run_suite build -- -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
echo "== sanitizer build"
# The fault matrices of the four transfers run several hundred whole command-line runs
# each, through the same code paths, a fault at a time: the plain run above has them, and
# here they would take longer than all the other tests together. The services' matrices,
# and every other test, run here too. Line tables only (-g1): the sanitizers' reports keep
# their file and line, and the build links much faster.
exclude='^FaultMatrix\.(ProgramRead|ProgramWrite|DatalogRead|FirmwareUpdate)(OverEthernet)?$'
run_suite build-asan -- -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DQUORVEL_SANITIZE=ON
exclude=""
echo "== thread sanitizer build (the threaded parts)"
# The core server, the discovery thread, the transfer worker, and the user-interface
# thread with them (the panel over the client, the whole application run). The progress
# dialog's tests stay out: Qt's own image thread pool races inside Qt there, where no
# suppression could reach without hiding the user-interface thread's stacks too.
tsan_targets=(test_comm_server test_comm_kill test_comm_shutdown test_comm_stuck test_discovery
              test_transfer_framework test_panel_sim test_app_lifecycle)
export TSAN_OPTIONS="halt_on_error=1 history_size=7 second_deadlock_stack=1 suppressions=$root/scripts/tsan.supp"
run_suite build-tsan "${tsan_targets[@]}" -- -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" -DQUORVEL_TSAN=ON
unset TSAN_OPTIONS
echo "== fuzz targets, short runs"
for target in $(bash scripts/fuzz.sh); do
  bash scripts/fuzz.sh "$target" "${QUORVEL_FUZZ_SECONDS:-10}"
done
