#!/usr/bin/env bash
# Cross-builds the Windows plug-ins into build-win/ and packs
# dist/ZorvanFerroharmonicLite-win64.zip: the VST 2.4 DLL, the VST3 bundle,
# the CLAP module and their install note.
#   scripts/build-windows.sh [target...]   (default: every target of the Windows build;
#                                           the three plug-ins are always built)
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}
BUILD_WIN=${BUILD_WIN:-build-win}

bash scripts/build-win-deps.sh "$BUILD_WIN"
# The toolchain file counts at the first configuration only.
toolchain=()
[ -f "$BUILD_WIN/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)
cmake -S . -B "$BUILD_WIN" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZORVAN_LINUX_BUILD_DIR="$PWD/${BUILD:-build}" >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$BUILD_WIN" -j"$JOBS" --target "$@" ZorvanFerroharmonicLite zorvan_vst3_module zorvan_clap_module
else
  cmake --build "$BUILD_WIN" -j"$JOBS"
fi

# The release archive: the modules without their debugging sections.
stage=$BUILD_WIN/dist
vst3=ZorvanFerroharmonicLite.vst3/Contents/x86_64-win/ZorvanFerroharmonicLite.vst3
rm -rf "$stage" && mkdir -p "$stage/$(dirname "$vst3")" dist
for module in ZorvanFerroharmonicLite.dll "$vst3" clap/ZorvanFerroharmonicLite.clap; do
  x86_64-w64-mingw32-strip --strip-debug -o "$stage/${module#clap/}" "$BUILD_WIN/$module"
done
cp resources/windows/INSTALL.txt "$stage/INSTALL.txt"
rm -f dist/ZorvanFerroharmonicLite-win64.zip
(cd "$stage" && zip -q -X -r ../../dist/ZorvanFerroharmonicLite-win64.zip ZorvanFerroharmonicLite.dll \
  ZorvanFerroharmonicLite.vst3 ZorvanFerroharmonicLite.clap INSTALL.txt)
echo "dist/ZorvanFerroharmonicLite-win64.zip"
