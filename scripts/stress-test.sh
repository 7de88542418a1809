#!/usr/bin/env bash
# The whole test suite (unit, end-to-end and fuzz tests) run several times
# while a CPU load keeps every core busy, to find tests whose timing holds
# only on an idle machine. Builds an optimised tree first (build/stress), or
# with --asan the sanitizer tree of the test command (build/stress-asan),
# slower and so harder on timing. Prints, for every run, the number of failed
# tests, their names and the wall time; exits 1 when any run had a failure.
# The load is stopped on every way out, Ctrl-C included. Needs root: the
# end-to-end tests build network namespaces. CI does not run it: it is long.
#
# Usage (as root): scripts/stress-test.sh [--asan] [RUNS]   (RUNS: default 3)
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/stress
flavour=(-DCMAKE_BUILD_TYPE=Release)
if [ "${1:-}" = "--asan" ]; then
  build=build/stress-asan
  flavour=(-DCMAKE_BUILD_TYPE=Debug "-DNUV_SANITIZE=address,undefined")
  shift
fi
runs="${1:-3}"
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
  echo "error: RUNS must be a positive number, not '$runs'" >&2
  exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "error: the end-to-end tests build network namespaces and need root" >&2
  exit 1
fi
scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B "$build" "${flavour[@]}" -DNUV_BENCHMARKS=OFF >/dev/null
if ! cmake --build "$build" -j"$jobs" >"$build/stress-build.log" 2>&1; then
  echo "error: the build failed, see $build/stress-build.log" >&2
  exit 1
fi

# The load runs in a session of its own, so one signal to its process group
# ends the workers with it; its own time limit ends it should this script be
# killed outright.
load_limit_s=$((4 * 3600))
load=""
stop_load() {
  [ -n "$load" ] || return 0
  kill -TERM -- "-$load" "$load" 2>/dev/null || true
  wait "$load" 2>/dev/null || true
  load=""
}
# ctest runs in a session of its own too: on the way out mid-run, its tests
# and the programs they started (simulators and tools, in groups of their
# own) are ended by their ids, and what the tests would have removed goes:
# the network namespaces of the test programs (nuvtb<pid>-...) and the
# temporary directories named on the programs' command lines.
tests=""
end_tests() {
  [ -n "$tests" ] || return 0
  local pids dirs
  pids=$(pgrep -s "$tests" || true)
  dirs=$(for pid in $pids; do
    tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | sed -n '/^--state-dir$\|^--dir$/{n;p}'
  done | grep '^/tmp/nuv' || true)
  # shellcheck disable=SC2086 # one pid or directory per word
  [ -z "$pids" ] || kill -KILL $pids 2>/dev/null || true
  wait "$tests" 2>/dev/null || true
  for pid in $pids; do
    ip netns list | awk -v p="nuvtb$pid-" 'index($1, p) == 1 { print $1 }' |
      xargs -r -n1 ip netns del
  done
  # shellcheck disable=SC2086
  [ -z "$dirs" ] || rm -rf $dirs
  tests=""
}
trap 'end_tests; stop_load' EXIT
trap 'exit 130' INT TERM
setsid stress-ng --cpu "$jobs" --timeout "$load_limit_s" --quiet >/dev/null 2>&1 &
load=$!

failed_runs=0
for run in $(seq 1 "$runs"); do
  log="$build/stress-run-$run.log"
  failures="$build/Testing/Temporary/LastTestsFailed.log"
  rm -f "$failures"
  start=$SECONDS
  # As the test command runs them: every core, the same per-test bound. CI=true
  # turns a skipped end-to-end test into a failure.
  status=0
  CI=true setsid ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 600 \
    >"$log" 2>&1 &
  tests=$!
  wait "$tests" || status=$?
  tests=""
  seconds=$((SECONDS - start))
  count=0
  [ -f "$failures" ] && count=$(wc -l <"$failures")
  if [ "$status" -ne 0 ] && [ "$count" -eq 0 ]; then count="?"; fi
  echo "run $run of $runs: $count failed, ${seconds} s (log: $log)"
  [ -f "$failures" ] && sed 's/^[0-9]*:/  /' "$failures"
  [ "$status" -eq 0 ] || failed_runs=$((failed_runs + 1))
done
echo "runs with failures: $failed_runs of $runs"
[ "$failed_runs" -eq 0 ]
