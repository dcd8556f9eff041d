#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One entry point for a fresh Debian 12 machine:
#   scripts/build.sh run    install what is missing, build Release, start Lumivex
#   scripts/build.sh test   install what is missing, build, run every test
#   scripts/build.sh bench  install, build, run the benchmarks
#   scripts/build.sh package  install, build for /usr in build-package/ (only what the package
#                             holds, with Debian's hardening flags), make the .deb there
set -euo pipefail
mode=${1:-run}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMIVEX_BUILD_DIR:-$root/build}

packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev libhwy-dev libexiv2-dev
          libjpeg62-turbo-dev libpng-dev libtiff-dev libwebp-dev libheif-dev libraw-dev libjxl-dev
          fonts-liberation
          qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
          librsvg2-bin desktop-file-utils appstream groff-base dpkg-dev file lintian)
if [ "$mode" = run ] && [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  packages+=(xvfb xauth)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

configure=(-DCMAKE_BUILD_TYPE=Release)
if [ "$mode" = package ]; then
  # A package installs under /usr, and the program looks for its data where it was installed.
  # Its own build folder holds only what the package ships: no tests, no benchmarks, compiled
  # and linked with the flags Debian's own packages get.
  build=${LUMIVEX_PACKAGE_BUILD_DIR:-$root/build-package}
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  configure+=(-DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF -DLUMIVEX_BENCHMARKS=OFF
              "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
              "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)")
fi
cmake -S "$root" -B "$build" "${configure[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"

case "$mode" in
  run)
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      echo "No display found: starting Lumivex inside a virtual X server (xvfb-run)."
      exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build/lumivex" "$@"
    fi
    exec "$build/lumivex" "$@"
    ;;
  test)
    cd "$build"
    exec ctest --output-on-failure -j "$(nproc)"
    ;;
  bench)
    exec "$build/kernel_bench" "$@"
    ;;
  package)
    cd "$build"
    cpack -G DEB
    ls "$build"/lumivex_*.deb
    ;;
  *)
    echo "usage: scripts/build.sh run|test|bench|package" >&2
    exit 2
    ;;
esac
