#!/usr/bin/env bash
# Installs the Debian packages of the Windows build and its tests: the
# mingw-w64 cross compiler (posix threads model, so std::thread and std::mutex
# work), Wine to run the tests, and dpkg-dev to unpack the source packages
# that scripts/build-win-deps.sh cross-builds. Called by install-deps.sh.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64            # runs the cross-built tests and benchmarks
  dpkg-dev xz-utils      # apt-get source unpacks with dpkg-source
  zip                    # the release archive
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
