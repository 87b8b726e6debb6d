#!/usr/bin/env bash
# Installs the Debian packages of the Windows build and its tests: the
# mingw-w64 cross compiler (posix threads model, so std::thread and std::mutex
# work), Wine to run the tests, dpkg-dev to unpack the source packages that
# scripts/build-win-deps.sh cross-builds, and the GoogleTest sources it builds
# for Windows. Called by install-deps.sh --test and by make windows.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64            # runs the cross-built tests and benchmarks
  dpkg-dev xz-utils      # apt-get source unpacks with dpkg-source
  googletest             # /usr/src/googletest, cross-built for the tests
  xvfb xauth xdotool     # the editor tests under Wine on a virtual display
  zip                    # the release archive
)

exec bash "$(dirname "$0")/install-deps.sh" --only "${packages[@]}"
