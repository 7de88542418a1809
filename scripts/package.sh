#!/usr/bin/env bash
# Builds the two Debian packages, nuv-ipconfig and nuv-camsim, in
# build/package (or NUV_PACKAGE_BUILD_DIR): an optimised build with Debian's
# hardening flags, man pages and changelog, then CPack. Prints the path of
# each package made.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build="${NUV_PACKAGE_BUILD_DIR:-build/package}"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUV_WERROR=ON -DNUV_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target nuv-ipconfig nuv-camsim man_pages changelog
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/*.deb
