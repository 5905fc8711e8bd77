#!/usr/bin/env bash
# Builds the Debian package of Quorvel with cpack and prints the .deb's path as its last
# line. Builds only what the package holds (the programs, the transport libraries, res/,
# the manual pages), in build/ (QUORVEL_BUILD_DIR to use another folder); the package
# goes to build/package/.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUORVEL_BUILD_DIR:-$root/build}"
out="$build/package"

bash "$root/scripts/setup.sh" >&2
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
else
  cmake -S "$root" -B "$build" >&2
fi
cmake --build "$build" --target quorvel_package_contents >&2

rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack --config CPackConfig.cmake -B "$out") >&2
deb="$(find "$out" -maxdepth 1 -name '*.deb' -print -quit)"
if [ -z "$deb" ]; then
  echo "package.sh: cpack made no .deb" >&2
  exit 1
fi
echo "$deb"
