#!/usr/bin/env bash
# Installs what is missing, builds and starts Kalvora. Without a USB serial adapter plugged in
# (or KALVORA_HARDWARE=1 set), Kalvora starts with its simulated controller and two units.
# Extra arguments go to kalvora (for example --com1 /dev/ttyS0).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target kalvora

args=("$@")
if [ "${KALVORA_HARDWARE:-0}" != 1 ] && ! compgen -G "/dev/ttyUSB*" >/dev/null && ! compgen -G "/dev/ttyACM*" >/dev/null; then
  echo "No USB serial adapter found: starting with the simulated controller and two units."
  args=(--simulate "${args[@]}")
fi
exec ./build/app/kalvora "${args[@]}"
