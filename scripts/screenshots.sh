#!/usr/bin/env bash
# Saves docs/screenshot-<family>.png: the main window connected to the simulator, one per
# family (kz9, Pask, Trel). Builds what is needed in build/ (or $QUORVEL_BUILD_DIR) and
# runs inside a private network namespace, as the program starts discovery.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${QUORVEL_BUILD_DIR:-build}
bash scripts/setup.sh
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "${QUORVEL_JOBS:-2}" --target test_app_sim
mkdir -p docs
unshare -n -- bash -c "ip link set lo up && cd '$build/tests' && \
  QT_QPA_PLATFORM=offscreen QUORVEL_PROGRAM_DIR='$root/$build/bin' \
  QUORVEL_SCREENSHOT_DIR='$root/docs' ./test_app_sim --gtest_filter='Screenshots.*'"
ls -l docs/screenshot-*.png
