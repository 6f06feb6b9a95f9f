#!/usr/bin/env bash
# Installs what building and running need and is missing, builds the three programs (no tests,
# no benchmarks) in build-run/, and starts Kalvora. Without a USB serial adapter plugged in
# (or KALVORA_HARDWARE=1 set), Kalvora starts with its simulated controller and two units.
# Extra arguments go to kalvora (for example --com1 /dev/ttyS0).
#
# Without a display (a server, a container, a remote shell) the window cannot open: the script
# says so and runs the same work through kalvora-cli instead, against a simulated controller
# with two units: search, read every setting into a configuration file, show it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --build
build=build-run
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVORA_TESTS=OFF -DKALVORA_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target kalvora kalvora-cli kalvora-sim

if "./$build/app/kalvora" --check-display; then
  args=("$@")
  if [ "${KALVORA_HARDWARE:-0}" != 1 ] && ! compgen -G "/dev/ttyUSB*" >/dev/null && ! compgen -G "/dev/ttyACM*" >/dev/null; then
    echo "No USB serial adapter found: starting with the simulated controller and two units."
    args=(--simulate "${args[@]}")
  fi
  exec "./$build/app/kalvora" "${args[@]}"
fi

# kalvora has said why there is no display.
echo
echo "Without a display, the same work runs through kalvora-cli against a simulated controller"
echo "with two units (RS-485 IDs 1 and 2) on a pseudo-terminal."

work=$(mktemp -d)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The simulator's first line is its pseudo-terminal; the rest of its output is not needed.
coproc SIM { exec "./$build/sim/kalvora-sim" --mode controller --units 2 --ids 1,2; }
sim_pid=$SIM_PID
device=
read -r -t 30 device <&"${SIM[0]}" || true
if [ -z "$device" ]; then
  echo "kalvora-sim did not start." >&2
  exit 1
fi

# COM2 is a name that does not exist, so no port of this machine is touched.
run() {
  echo
  echo "\$ $*"
  "$@"
}
ports=(--com1 "$device" --com2 "$work/no-port")
run "./$build/cli/kalvora-cli" "${ports[@]}" search
run "./$build/cli/kalvora-cli" "${ports[@]}" read -o "$work/wall.tnc"
run "./$build/cli/kalvora-cli" show "$work/wall.tnc"

kill "$sim_pid" 2>/dev/null || true
wait "$sim_pid" 2>/dev/null || true
sim_pid=
echo
echo "Done: the simulator has stopped; the temporary folder goes with this script."
echo "To open the window, run this on a desktop (or with DISPLAY naming an X server):"
echo "    bash scripts/run.sh"
echo "or start the program directly: ./$build/app/kalvora --simulate"
