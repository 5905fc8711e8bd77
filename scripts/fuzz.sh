#!/usr/bin/env bash
# Runs one libFuzzer target for a number of seconds, in its own build tree (build-fuzz,
# clang, AddressSanitizer and UndefinedBehaviorSanitizer), starting from the seeds kept in
# fuzz/corpus/TARGET. Exits non-zero when the target crashes; the input that crashed it is
# left in build-fuzz/fuzz/findings/TARGET/.
#   scripts/fuzz.sh                  lists the targets, one per line
#   scripts/fuzz.sh TARGET SECONDS   builds what TARGET needs and runs it
#   scripts/fuzz.sh --build          builds every target, runs none
#   scripts/fuzz.sh --runs N [FILE]  runs every target for N executions each and writes the
#                                    figures (target, executions, executions a second,
#                                    seconds, outcome) to FILE (build-fuzz/fuzz/figures.tsv)
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
usage() {
  echo "usage: scripts/fuzz.sh [TARGET SECONDS | --build | --runs N [FILE]]   (alone: lists the targets)" >&2
  exit 2
}
if [ "$1" = --build ]; then
  [ $# -eq 1 ] || usage
  mode=build
elif [ "$1" = --runs ]; then
  { [ $# -ge 2 ] && [ $# -le 3 ] && [[ $2 =~ ^[0-9]+$ ]]; } || usage
  mode=runs
  runs=$2
  figures=${3:-build-fuzz/fuzz/figures.tsv}
else
  { [ $# -eq 2 ] && [[ $2 =~ ^[0-9]+$ ]] && targets | grep -x -- "$1" >/dev/null; } || usage
  mode=seconds
  target=$1
  seconds=$2
fi

bash scripts/setup.sh
jobs=${QUORVEL_JOBS:-$(nproc)}
export CCACHE_DIR=${CCACHE_DIR:-$root/.cache/ccache}
dir=build-fuzz
if [ ! -f "$dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_FUZZ=ON -DQUORVEL_GUI=OFF -DQUORVEL_BENCH=OFF -DCMAKE_UNITY_BUILD=ON >/dev/null
fi

# Runs one target with the given limit (-max_total_time=S or -runs=N); prints its figures
# and returns non-zero on a crash.
run_target() {
  local target=$1 limit=$2
  # QUORVEL_FUZZ_PREBUILT=1: the targets were built (--build) and several run at once.
  [ "${QUORVEL_FUZZ_PREBUILT:-0}" = 1 ] || cmake --build "$dir" -j "$jobs" --target "fuzz_$target" >/dev/null
  # New inputs the run finds go to a scratch corpus; the kept seeds are only read.
  local work=$dir/fuzz/work/$target findings=$dir/fuzz/findings/$target
  mkdir -p "$work" "$findings"
  echo "== fuzz $target ($limit)"
  local status start=$SECONDS
  set +e
  "$dir/fuzz/fuzz_$target" "$limit" -print_final_stats=1 -timeout=10 \
    -rss_limit_mb=3072 -artifact_prefix="$findings/" "$work" "fuzz/corpus/$target" \
    >"$dir/fuzz/$target.log" 2>&1
  status=$?
  set -e
  elapsed=$((SECONDS - start))
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$dir/fuzz/$target.log" |
    sed "s/^stat::/  $target /"
  if [ $status -ne 0 ]; then
    grep -E 'ERROR|SUMMARY|Test unit written' "$dir/fuzz/$target.log" >&2 || true
    echo "fuzz target $target crashed (log: $dir/fuzz/$target.log)" >&2
    return 1
  fi
}

# The figures of the last run of a target: executions and executions a second.
stat_of() {
  grep -E "^stat::$2:" "$dir/fuzz/$1.log" | awk '{print $2}'
}

if [ "$mode" = build ]; then
  cmake --build "$dir" -j "$jobs" $(targets | sed 's/^/--target=fuzz_/')
  exit
fi

if [ "$mode" = seconds ]; then
  run_target "$target" -max_total_time="$seconds"
  exit
fi

mkdir -p "$(dirname "$figures")"
printf 'target\texecutions\texecutions_per_second\tseconds\toutcome\n' >"$figures"
failed=0
for target in $(targets); do
  outcome=ok
  run_target "$target" -runs="$runs" || { outcome=crash; failed=1; }
  printf '%s\t%s\t%s\t%s\t%s\n' "$target" "$(stat_of "$target" number_of_executed_units)" \
    "$(stat_of "$target" average_exec_per_sec)" "$elapsed" "$outcome" >>"$figures"
done
echo "figures: $figures"
exit $failed
