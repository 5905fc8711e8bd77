#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: a plain build, then a
# build with AddressSanitizer and UndefinedBehaviorSanitizer. The tests run inside a
# fresh network namespace, so that nothing they send can leave this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

jobs=${QUORVEL_JOBS:-$(nproc)}
export CCACHE_DIR=${CCACHE_DIR:-$root/.cache/ccache}

run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  # A private network namespace with only loopback up.
  unshare -n -- bash -c "ip link set lo up && cd '$dir' && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $jobs --timeout 300"
}

echo "== plain build"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== sanitizer build"
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON
