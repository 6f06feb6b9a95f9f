#!/usr/bin/env bash
# Installs, from Debian 12 packages, whatever the build and the tests need and the machine lacks.
# Safe to run again: it installs nothing when everything is present.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
  libgl-dev libgtest-dev
  clang libclang-rt-14-dev
  fonts-dejavu-core
  xvfb x11-utils
  dpkg-dev desktop-file-utils shared-mime-info
  help2man librsvg2-bin lintian appstream
  ser2net
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
