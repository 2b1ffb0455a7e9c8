#!/usr/bin/env bash
# Installs the Debian 12 packages the engine, its tests and its tools need.
# Idempotent: packages already present are skipped, so a second run does nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev
  libgl-dev libglu1-mesa-dev
  libgl1-mesa-dri libegl1 libegl-mesa0
  liblua5.1-0-dev
  libopenal-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth xdotool
  python3
  sox
  clang libclang-rt-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
