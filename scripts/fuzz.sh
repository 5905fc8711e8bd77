#!/usr/bin/env bash
# Runs one libFuzzer target for a number of seconds, in its own build tree (build-fuzz,
# clang, AddressSanitizer and UndefinedBehaviorSanitizer), starting from the seeds kept in
# fuzz/corpus/TARGET. Exits non-zero when the target crashes; the input that crashed it is
# left in build-fuzz/fuzz/findings/TARGET/.
#   scripts/fuzz.sh                  lists the targets, one per line
#   scripts/fuzz.sh TARGET SECONDS   builds what TARGET needs and runs it
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

targets() {
  for f in fuzz/fuzz_*.cpp; do
    basename "$f" .cpp | sed 's/^fuzz_//'
  done
}

if [ $# -eq 0 ]; then
  targets
  exit 0
fi
if [ $# -ne 2 ] || ! [[ $2 =~ ^[0-9]+$ ]] || ! targets | grep -x -- "$1" >/dev/null; then
  echo "usage: scripts/fuzz.sh [TARGET SECONDS]   (scripts/fuzz.sh alone lists the targets)" >&2
  exit 2
fi
target=$1
seconds=$2

bash scripts/setup.sh
jobs=${QUORVEL_JOBS:-$(nproc)}
export CCACHE_DIR=${CCACHE_DIR:-$root/.cache/ccache}
dir=build-fuzz
if [ ! -f "$dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_FUZZ=ON -DQUORVEL_GUI=OFF >/dev/null
fi
cmake --build "$dir" -j "$jobs" --target "fuzz_$target" >/dev/null

# New inputs the run finds go to a scratch corpus; the kept seeds are only read.
work=$dir/fuzz/work/$target
findings=$dir/fuzz/findings/$target
mkdir -p "$work" "$findings"
echo "== fuzz $target for ${seconds}s"
set +e
"$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
  -rss_limit_mb=3072 -artifact_prefix="$findings/" "$work" "fuzz/corpus/$target" \
  >"$dir/fuzz/$target.log" 2>&1
status=$?
set -e
grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$dir/fuzz/$target.log" |
  sed "s/^stat::/  $target /"
if [ $status -ne 0 ]; then
  grep -E 'ERROR|SUMMARY|Test unit written' "$dir/fuzz/$target.log" >&2 || true
  echo "fuzz target $target crashed (log: $dir/fuzz/$target.log)" >&2
  exit 1
fi
