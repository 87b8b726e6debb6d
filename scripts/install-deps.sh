#!/usr/bin/env bash
# Installs the Debian packages the project needs. Safe to run again: only what
# is missing is installed.
#   scripts/install-deps.sh          building the plug-in and the render host
#   scripts/install-deps.sh --test   that, and the tools of the tests, the
#                                    benchmarks and the fuzz target
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libfftw3-dev          # the cabinet's FFT engine
  libcairo2-dev libpng-dev libx11-dev               # the editor's drawing and window
  libsndfile1-dev       # sound files in the render host and tools
  fonts-dejavu-core     # the panel's type
  dpf-source            # the CLAP headers (only its clap/ folder is used)
)
if [ "${1:-}" = "--test" ]; then
  packages+=(
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev llvm                     # fuzz targets and sanitizer runtimes
    clang-format          # the house style check of changed files
    xvfb xauth xdotool x11-utils libxtst-dev          # GUI tests on a virtual display
    libzita-convolver-dev # benchmark comparison only
    ardour                # a real host for the VST3 checks, run headless (ardour7-lua)
    qtractor              # a real CLAP host: its plug-in scanner indexes the .clap
  )
elif [ $# -gt 0 ]; then
  echo "usage: $0 [--test]" >&2
  exit 2
fi

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
