#!/usr/bin/env bash
# The demo: builds the tool and the camera simulator, creates a simulated
# camera network in network namespaces (three cameras on two adapters, one in
# a foreign subnet), runs the interactive tool there for the person at the
# terminal, shows what changed in each camera, and removes the network again,
# also on Ctrl-C. Needs root. NUV_DEMO_BUILD_DIR names an existing build
# directory holding nuv-ipconfig and nuv-camsim (then nothing is built);
# NUV_TESTBED_PREFIX / NUV_TESTBED_STATE are passed on to testbed/testbed.sh.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "$(id -u)" -ne 0 ]; then
  echo "demo.sh: must be run as root: it installs packages and creates network namespaces" >&2
  exit 1
fi

build="${NUV_DEMO_BUILD_DIR:-}"
if [ -z "$build" ]; then
  "$root/scripts/install-deps.sh"
  build="$root/build/demo"
  echo "building the tool and the simulator in $build ..."
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DNUV_BENCHMARKS=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)" --target nuv-ipconfig nuv-camsim >/dev/null
fi
for program in nuv-ipconfig nuv-camsim; do
  [ -x "$build/$program" ] || { echo "demo.sh: $build/$program is missing" >&2; exit 1; }
done

export NUV_TESTBED_PREFIX="${NUV_TESTBED_PREFIX:-nuvdemo}"
export NUV_TESTBED_STATE="${NUV_TESTBED_STATE:-$(mktemp -d /tmp/nuvdemo-XXXXXX)}"
export NUV_CAMSIM="$build/nuv-camsim"
testbed="$root/testbed/testbed.sh"

cleanup() {
  trap - EXIT INT TERM
  "$testbed" down
  rm -rf "$NUV_TESTBED_STATE"
  echo "camera network removed"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$testbed" up
before="$("$testbed" show)"
echo
echo "cameras before:"
echo "$before"
echo
echo "=== nuv-ipconfig (inside the host namespace) ==="
status=0
"$testbed" host "$build/nuv-ipconfig" || status=$?
# Interrupted (Ctrl-C reaches the whole foreground group, the cameras too):
# the network goes, with nothing more to show.
[ "$status" -eq 130 ] || [ "$status" -eq 143 ] && exit "$status"
[ "$status" -eq 0 ] || echo "nuv-ipconfig ended with status $status"
echo "=== nuv-ipconfig ended ==="
after="$("$testbed" show)"
echo
echo "cameras after:"
echo "$after"
echo
if [ "$before" = "$after" ]; then
  echo "no camera changed"
else
  echo "changed:"
  { diff <(echo "$before") <(echo "$after") || true; } | sed -n "s/^> /  /p"
fi
echo "(a new IP configuration or persistent address takes effect when the camera restarts)"
