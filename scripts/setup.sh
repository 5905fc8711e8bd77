#!/usr/bin/env bash
# Installs every Debian package that building, testing and the demo need. Idempotent:
# when all is there it only asks dpkg and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache
  libzmq3-dev cppzmq-dev libprotobuf-dev protobuf-compiler
  qt6-base-dev libgl-dev
  qt6-charts-dev libqt6opengl6-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-unifont iproute2 util-linux procps
  python3-fontforge xvfb xauth
  desktop-file-utils man-db dpkg-dev
  clang libclang-rt-14-dev lld
  libsqlite3-dev lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
