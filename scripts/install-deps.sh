#!/usr/bin/env bash
# Installs, from Debian 12 packages, whatever the build and the tests need and the machine lacks.
# Safe to run again: it installs nothing when everything is present.
#   install-deps.sh           what building, running and testing need (scripts/test.sh)
#   install-deps.sh --build   only what building and running the programs need (scripts/run.sh,
#                             the README's "Installing")
set -euo pipefail

# Building and running: the compiler and CMake, Qt, a font for the window; help2man writes the
# manual pages, rsvg-convert (librsvg2-bin) the PNG icons, dpkg-dev lets cpack build the package.
build_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
  fonts-dejavu-core
  help2man librsvg2-bin dpkg-dev
)
# Testing: GoogleTest; clang with its sanitizer and libFuzzer runtimes; an X server for the
# display checks; the desktop-file, MIME, package and metainfo checkers; ser2net for the network
# serial servers.
test_packages=(
  libgtest-dev
  clang libclang-rt-14-dev
  xvfb x11-utils
  desktop-file-utils shared-mime-info lintian appstream
  ser2net
)

case ${1:-} in
  --build) packages=("${build_packages[@]}") ;;
  "") packages=("${build_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: install-deps.sh [--build]" >&2; exit 2 ;;
esac

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
