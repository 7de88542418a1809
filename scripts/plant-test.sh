#!/usr/bin/env bash
# Random camera plants: each plant is drawn from its number (the seed), built
# in network namespaces (removed again at the end), and a random command
# sequence of the tool runs in it with invariants checked after each command
# (testbed/tools/nuv_plant.cc). Plants SEED .. SEED+P-1; `--seed S --plants 1`
# replays plant S exactly; --commands C sets the commands per plant (8). Needs
# root. Builds build/dev unless NUV_BUILD_DIR names a build directory.
#
# Usage (as root): scripts/plant-test.sh [--seed N] [--plants P] [OPTIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  echo "error: the plants are built from network namespaces and need root" >&2
  exit 1
fi
build="${NUV_BUILD_DIR:-build/dev}"
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j2 --target nuv-ipconfig nuv-camsim nuv_plant >/dev/null
exec "$build/nuv_plant" "$@"
