#!/usr/bin/env bash
# Cross-builds the Windows DLL into build-win/ and packs
# dist/ZorvanFerroharmonicLite-win64.zip (the DLL and its install note).
#   scripts/build-windows.sh [target...]   (default: every target of the Windows build)
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
  cmake --build "$BUILD_WIN" -j"$JOBS" --target "$@"
else
  cmake --build "$BUILD_WIN" -j"$JOBS"
fi

# The release archive: the DLL without its debugging sections.
dll=$BUILD_WIN/ZorvanFerroharmonicLite.dll
stage=$BUILD_WIN/dist
rm -rf "$stage" && mkdir -p "$stage" dist
x86_64-w64-mingw32-strip --strip-debug -o "$stage/ZorvanFerroharmonicLite.dll" "$dll"
cp resources/windows/INSTALL.txt "$stage/INSTALL.txt"
rm -f dist/ZorvanFerroharmonicLite-win64.zip
(cd "$stage" && zip -q -X ../../dist/ZorvanFerroharmonicLite-win64.zip ZorvanFerroharmonicLite.dll INSTALL.txt)
echo "dist/ZorvanFerroharmonicLite-win64.zip"
