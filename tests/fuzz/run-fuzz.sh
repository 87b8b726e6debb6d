#!/usr/bin/env bash
# Builds the WAV loader's fuzz target with clang and runs it.
#   tests/fuzz/run-fuzz.sh [seconds (default 60)] [build dir (default build-fuzz)]
# Exits non-zero on any finding (crash, sanitizer report, leak, timeout).
set -euo pipefail
seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${2:-$root/build-fuzz}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DZORVAN_BUILD_FUZZ=ON -DZORVAN_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_wav -j2

# New inputs go to a scratch corpus; the committed seeds are only read.
work="$build/fuzz-corpus"
mkdir -p "$work"
cd "$build"
exec "$build/fuzz_wav" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 -dict="$here/wav.dict" \
  "$work" "$here/corpus"
