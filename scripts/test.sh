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
# The compiler cache keeps what uses the tests' precompiled header too.
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros}

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

# build_suite DIR [TARGETS...] -- CMAKE OPTIONS...: configures DIR and builds TARGETS, or
# everything when no target is named. Each build compiles its sources in batches (a unity
# build): the headers they share are read once a batch, not once a file.
build_suite() {
  local dir=$1
  shift
  local targets=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    targets+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_UNITY_BUILD=ON "$@"
  cmake --build "$dir" -j "$jobs" "${targets[@]/#/--target=}"
}

# test_suite DIR [TARGETS...]: runs the tests of TARGETS (every test when none is named),
# leaving out those matching $exclude.
test_suite() {
  local dir=$1
  shift
  local select=""
  if [ $# -gt 0 ]; then
    select="-R '$(tests_of "$dir" "$@")'"
  fi
  # A private network namespace with only loopback up.
  unshare -n -- bash -c "ip link set lo up && cd '$dir' && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $jobs --timeout 300 $select ${exclude:+-E '$exclude'}"
}

# in_background NAME COMMAND...: runs COMMAND (a function or a program) at the lowest CPU
# priority while the tests in the foreground run: they mostly wait on their controllers'
# time-outs, and keep the CPU whenever they need it. Its output goes to .cache/NAME.log.
# finish NAME waits for it, and shows that log when it failed.
in_background() {
  local name=$1
  shift
  mkdir -p .cache
  (
    renice -n 19 -p "$BASHPID" >/dev/null
    "$@"
  ) >".cache/$name.log" 2>&1 &
  eval "pid_$name=$!"
}
finish() {
  local name=$1 pid
  eval "pid=\$pid_$name"
  if ! wait "$pid"; then
    cat ".cache/$name.log" >&2
    echo "$name failed" >&2
    exit 1
  fi
  echo "== $name: done (log: .cache/$name.log)"
}

plain=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG")
# Line tables only (-g1): the sanitizers' reports keep their file and line, and the build
# links much faster. The benchmarks are built by the plain build only.
asan=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DQUORVEL_SANITIZE=ON -DQUORVEL_BENCH=OFF)
tsan=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
      -DQUORVEL_TSAN=ON -DQUORVEL_BENCH=OFF)
# The core server, the discovery thread, the transfer worker, and the panel's thread over
# the client with them. The whole application's run (test_app_lifecycle) stays out: it
# needs every dialog built once more under ThreadSanitizer, which kept the command over its
# time; it runs in the two builds above. The progress dialog's tests stay out too: Qt's own
# image thread pool races inside Qt there, where no suppression could reach without hiding
# the user-interface thread's stacks.
tsan_targets=(test_comm_server test_comm_kill test_comm_shutdown test_comm_stuck test_discovery
              test_transfer_framework test_panel_sim)

echo "== plain build"
# Optimised without debug information: the sanitizer build keeps it, and leaving it out here
# saves a good part of the compile and link time.
build_suite build -- "${plain[@]}"
# The sanitizer build compiles while the plain tests run.
in_background asan_build build_suite build-asan -- "${asan[@]}"
echo "== plain tests"
exclude=""
test_suite build
finish asan_build

later_builds() {
  build_suite build-tsan "${tsan_targets[@]}" -- "${tsan[@]}"
  bash scripts/fuzz.sh --build
}
in_background later_builds later_builds
echo "== sanitizer tests"
# The fault matrices of the four transfers run several hundred whole command-line runs
# each, through the same code paths, a fault at a time: the plain run above has them, and
# here they would take longer than all the other tests together. The services' matrices,
# and every other test, run here too. The package is built and checked once, above.
exclude='^(FaultMatrix\.(ProgramRead|ProgramWrite|DatalogRead|FirmwareUpdate)(OverEthernet)?|package_deb)$'
test_suite build-asan
exclude=""
finish later_builds

echo "== thread sanitizer tests (the threaded parts)"
export TSAN_OPTIONS="halt_on_error=1 history_size=7 second_deadlock_stack=1 suppressions=$root/scripts/tsan.supp"
test_suite build-tsan "${tsan_targets[@]}"
unset TSAN_OPTIONS
echo "== fuzz targets, short runs ($jobs at a time)"
# Each run's output goes to .cache/fuzz/TARGET.log and is shown when all have ended.
rm -rf .cache/fuzz
mkdir -p .cache/fuzz
fuzz_failed=0
bash scripts/fuzz.sh | QUORVEL_FUZZ_PREBUILT=1 xargs -P "$jobs" -I{} bash -c \
  'bash scripts/fuzz.sh "$1" "$2" >".cache/fuzz/$1.log" 2>&1' _ {} "${QUORVEL_FUZZ_SECONDS:-10}" ||
  fuzz_failed=1
cat .cache/fuzz/*.log
[ $fuzz_failed -eq 0 ] || { echo "a fuzz target crashed" >&2; exit 1; }
