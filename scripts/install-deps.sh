#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need.
# Safe to run again: only what is missing is installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libfftw3-dev          # the cabinet's FFT engine
  libcairo2-dev libpng-dev libx11-dev libxtst-dev   # the editor's drawing and window
  libsndfile1-dev       # WAV I/O in the render host and tools
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev llvm                     # fuzz targets and sanitizer runtimes
  xvfb xauth xdotool x11-utils                      # GUI tests on a virtual display
  libzita-convolver-dev # benchmark comparison only
  fonts-dejavu-core     # artwork generator's type
  lv2-dev               # LV2 plug-in headers; lv2_validate (with sordi) checks the bundle
  liblilv-dev lilv-utils sordi   # the LV2 tests' host (lilv) and the bundle's validation
  ardour                # a real LV2 host, run headless (ardour7-lua) by scripts/ardour-lv2-check.sh
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
