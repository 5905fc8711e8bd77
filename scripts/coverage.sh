#!/usr/bin/env bash
# Line coverage of each parser by its fuzz target (clang's source-based coverage): builds the
# fuzz targets with coverage in their own tree (build-cov), runs each once over its seeds and
# the inputs its fuzz runs found (build-fuzz/fuzz/work/TARGET), and prints, per target, the
# line coverage of the sources it includes directly (the parser it feeds), with a total.
# A source fed by several of the targets run (the answer assembly, by both frame targets)
# is reported once more for them together (target A+B: the profiles merged).
#   scripts/coverage.sh [FILE [TARGET...]]   also writes the figures (target, file, lines,
#                       covered %) to FILE (default build-cov/coverage.tsv); every target
#                       unless some are named
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=${1:-build-cov/coverage.tsv}
shift $(($# > 0 ? 1 : 0))
targets=${*:-$(bash scripts/fuzz.sh)}

bash scripts/setup.sh
jobs=${QUORVEL_JOBS:-$(nproc)}
export CCACHE_DIR=${CCACHE_DIR:-$root/.cache/ccache}
dir=build-cov
if [ ! -f "$dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_FUZZ=ON -DQUORVEL_GUI=OFF \
    "-DCMAKE_CXX_FLAGS=-fprofile-instr-generate -fcoverage-mapping" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate" \
    "-DCMAKE_SHARED_LINKER_FLAGS=-fprofile-instr-generate" >/dev/null
fi

# The targets that feed each source, as " target target...".
declare -A fed_by=()
mkdir -p "$(dirname "$out")"
printf 'target\tfile\tlines\tcovered_percent\n' >"$out"
for target in $targets; do
  cmake --build "$dir" -j "$jobs" --target "fuzz_$target" >/dev/null
  profile=$dir/fuzz/$target.profraw
  inputs=("fuzz/corpus/$target")
  [ -d "build-fuzz/fuzz/work/$target" ] && inputs+=("build-fuzz/fuzz/work/$target")
  LLVM_PROFILE_FILE=$profile "$dir/fuzz/fuzz_$target" -runs=0 "${inputs[@]}" \
    >"$dir/fuzz/$target.cov.log" 2>&1
  llvm-profdata merge -sparse "$profile" -o "$dir/fuzz/$target.profdata"
  # The parser of a target: the sources beside the headers its own file includes.
  sources=()
  for header in $(grep -oE '^#include "[^"]+\.h"' "fuzz/fuzz_$target.cpp" | cut -d'"' -f2); do
    [ -f "${header%.h}.cpp" ] && sources+=("$root/${header%.h}.cpp")
  done
  [ ${#sources[@]} -eq 0 ] && continue
  for source in "${sources[@]}"; do
    fed_by[$source]+=" $target"
  done
  echo "== $target"
  llvm-cov report "$dir/fuzz/fuzz_$target" -instr-profile="$dir/fuzz/$target.profdata" \
    "${sources[@]}" | tee "$dir/fuzz/$target.cov.txt"
  # Columns of llvm-cov report: file, regions (3), functions (3), lines, missed, cover...
  # The rows of the parser's own sources.
  awk -v t="$target" -v r="$root/" -v keep=" ${sources[*]} " 'NR > 2 && NF >= 10 {
      f = $1; sub(r, "", f); if (index(keep, " " r f " ")) print t "\t" f "\t" $8 "\t" $10 }' \
    "$dir/fuzz/$target.cov.txt" >>"$out"
done

# Sources fed by more than one target: their profiles merged, each binary's mapping read.
for source in "${!fed_by[@]}"; do
  read -r -a feeders <<<"${fed_by[$source]}"
  [ ${#feeders[@]} -lt 2 ] && continue
  name=$(IFS=+ && echo "${feeders[*]}")
  profiles=() objects=()
  for target in "${feeders[@]}"; do
    profiles+=("$dir/fuzz/$target.profdata")
    if [ "$target" != "${feeders[0]}" ]; then
      objects+=(-object "$dir/fuzz/fuzz_$target")
    fi
  done
  llvm-profdata merge -sparse "${profiles[@]}" -o "$dir/fuzz/$name.profdata"
  echo "== $name"
  llvm-cov report "$dir/fuzz/fuzz_${feeders[0]}" "${objects[@]}" -instr-profile="$dir/fuzz/$name.profdata" "$source" |
    tee "$dir/fuzz/$name.cov.txt"
  awk -v t="$name" -v r="$root/" -v keep="$source" 'NR > 2 && NF >= 10 {
      f = $1; sub(r, "", f); if (r f == keep) print t "\t" f "\t" $8 "\t" $10 }' \
    "$dir/fuzz/$name.cov.txt" >>"$out"
done
echo "figures: $out"
