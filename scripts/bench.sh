#!/usr/bin/env bash
# Runs every benchmark and prints each figure beside its goal. Needs root: the
# benchmarks build camera networks from network namespaces. Installs what is
# missing and builds an optimised tree first.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  echo "error: the benchmarks build network namespaces and need root" >&2
  exit 1
fi
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DNUV_BENCHMARKS=ON >/dev/null
cmake --build build/release -j"$(nproc)"
status=0
for src in bench/*.cc; do
  name=$(basename "$src" .cc)
  echo "== $name"
  build/release/"$name" || status=1
done
echo "== soak-set"
scripts/soak-set.sh || status=1
exit $status
