#!/usr/bin/env bash
# The soak run of `nuv-ipconfig set`: CYCLES set commands (default 1000),
# modes taking turns, against one simulated camera that drops, duplicates and
# answers with stale acknowledges, each checked against the camera's stored
# state. Prints reported failures, false successes (goal 0), control left
# held (goal 0) and the wall time; exit 1 when a goal is missed. Needs root:
# the camera network is built from network namespaces (removed again at the
# end, also on Ctrl-C). Builds an optimised tree first (build/release).
#
# Usage (as root): scripts/soak-set.sh [CYCLES]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  echo "error: the soak run builds network namespaces and needs root" >&2
  exit 1
fi
cycles="${1:-1000}"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target nuv-ipconfig nuv-camsim nuv_soak_set >/dev/null
exec build/release/nuv_soak_set "$cycles"
