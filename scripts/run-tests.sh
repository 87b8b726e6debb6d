#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the Windows build under
# Wine (ZORVAN_WINDOWS=0 skips it), then the AddressSanitizer /
# UndefinedBehaviorSanitizer build, then the ThreadSanitizer build of the
# threading tests, then the fuzz targets. GUI tests run on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}

run_ctest() {
  local dir=$1; shift
  # One virtual display for the whole run; tests that need none ignore it.
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest --test-dir "$dir" --output-on-failure -j"$JOBS" "$@"
}

echo "== formatting of changed files"
bash scripts/check-format.sh

echo "== normal build"
# Tests and benchmarks on, whatever `make demo` left in the cache.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVAN_BUILD_TESTS=ON -DZORVAN_BUILD_BENCH=ON >/dev/null
cmake --build build -j"$JOBS"
run_ctest build

echo "== VST3 bundle in Ardour 7 (headless)"
bash tests/vst3/ardour/run-ardour-check.sh build

echo "== LV2 bundle in Ardour 7 (headless)"
bash tests/lv2/ardour/run-ardour-check.sh build

echo "== CLAP plug-in in Qtractor's plug-in scanner"
bash tests/clap/qtractor/run-qtractor-scan.sh build

if [ "${ZORVAN_WINDOWS:-1}" = 1 ]; then
  # After the normal pass: its renders (build/platform-renders) are what the
  # Windows build's are compared with.
  echo "== Windows build (cross-built, run under Wine)"
  BUILD=build bash scripts/build-windows.sh
  run_ctest build-win
fi

if [ "${ZORVAN_QUICK:-0}" = 1 ]; then exit 0; fi

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZORVAN_SANITIZE=address,undefined \
  -DZORVAN_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="-O1 -fno-sanitize-recover=undefined" >/dev/null
cmake --build build-asan -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest build-asan -LE nosan

echo "== ThreadSanitizer build (the tests that run several threads)"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVAN_SANITIZE=thread \
  -DZORVAN_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$JOBS" --target test_amp test_cabinet test_editor test_validation test_lv2
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  run_ctest build-tsan -L threads

if [ -x tests/fuzz/run-fuzz.sh ]; then
  echo "== fuzz"
  bash tests/fuzz/run-fuzz.sh "${ZORVAN_FUZZ_SECONDS:-60}"
fi
