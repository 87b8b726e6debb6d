#!/usr/bin/env bash
# Installs the Debian packages the project needs. Safe to run again: only what
# is missing is installed.
#   scripts/install-deps.sh          building the plug-in and the render host
#   scripts/install-deps.sh --test   that, and the tools of the tests, the
#                                    benchmarks and the fuzz target
#   scripts/install-deps.sh --only PACKAGE...   just those (install-deps-windows.sh)
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libfftw3-dev          # the cabinet's FFT engine
  libcairo2-dev libpng-dev libx11-dev               # the editor's drawing and window
  libsndfile1-dev       # sound files in the render host and tools
  fonts-dejavu-core     # the panel's type
  lv2-dev               # the LV2 bundle's headers (and lv2_validate, for the tests)
  dpf-source            # the CLAP headers (only its clap/ folder is used)
)
if [ "${1:-}" = "--only" ]; then
  shift
  packages=("$@")
elif [ "${1:-}" = "--test" ]; then
  packages+=(
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev llvm                     # fuzz targets and sanitizer runtimes
    clang-format          # the house style check of changed files
    xvfb xauth xdotool x11-utils libxtst-dev          # GUI tests on a virtual display
    libzita-convolver-dev # benchmark comparison only
    ardour                # a real host for the VST3 and LV2 checks, run headless (ardour7-lua)
    python3               # the VST3 check compares the channels of Ardour's render
    liblilv-dev lilv-utils sordi   # the LV2 tests' host library and the bundle's validation
    qtractor              # a real CLAP host: its plug-in scanner indexes the .clap
  )
elif [ $# -gt 0 ]; then
  echo "usage: $0 [--test | --only PACKAGE...]" >&2
  exit 2
fi

# The tests build and run the Windows DLL too: the cross toolchain and Wine
# have their own list (make windows uses it directly).
if [ "${1:-}" = "--test" ]; then
  bash "$(dirname "$0")/install-deps-windows.sh"
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
