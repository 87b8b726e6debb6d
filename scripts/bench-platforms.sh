#!/usr/bin/env bash
# The amplifier, cabinet and tube-maths figures of the Linux build and of the
# Windows build under Wine, measured in the same run (turn by turn, the fastest
# of each kept) and printed side by side. With ZORVAN_BENCH_MUSL=1 also a Linux
# build whose tube maths are musl's (build-musl/), the Windows build's choice.
#   scripts/bench-platforms.sh [rounds (default 3)] [runs per round (default 201)]
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}
rounds=${1:-3}
runs=${2:-201}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$JOBS" --target bench_platform >/dev/null
bash scripts/build-windows.sh bench_platform >/dev/null
builds=(build build-win)
names=("Linux" "Windows (Wine)")
if [ "${ZORVAN_BENCH_MUSL:-0}" = 1 ]; then
  bash scripts/build-win-deps.sh --linux-musl build-musl >/dev/null
  cmake -S . -B build-musl -DCMAKE_BUILD_TYPE=RelWithDebInfo -C build-musl/musl-math.cmake \
    -DZORVAN_BUILD_TESTS=OFF -DZORVAN_BUILD_BENCH=ON >/dev/null
  cmake --build build-musl -j"$JOBS" --target bench_platform >/dev/null
  builds+=(build-musl)
  names+=("Linux, musl maths")
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for ((r = 0; r < rounds; ++r)); do
  for i in "${!builds[@]}"; do
    b=${builds[$i]}
    if [ "$b" = build-win ]; then
      scripts/wine-run.sh "$PWD/build-win/wineprefix" build-win/bench_platform.exe "$runs" >> "$out/$i" 2>/dev/null
    else
      "$b/bench_platform" "$runs" >> "$out/$i"
    fi
  done
done

# Fastest per figure and build, then one row per figure (ns; the last column
# is Windows over Linux).
python3 - "$out" "${#builds[@]}" "${names[@]}" <<'PY'
import sys, os
out, n = sys.argv[1], int(sys.argv[2])
names = sys.argv[3:3 + n]
best = []
for i in range(n):
    figures = {}
    for line in open(os.path.join(out, str(i))):
        key, value = line.split()
        figures[key] = min(float(value), figures.get(key, float("inf")))
    best.append(figures)
keys = list(best[0].keys())
head = "%-18s" % "ns per sample/call" + "".join("%20s" % name for name in names) + "%16s" % "Windows/Linux"
print(head)
for k in keys:
    row = "%-18s" % k + "".join("%20.2f" % b.get(k, float("nan")) for b in best)
    row += "%16.2f" % (best[1][k] / best[0][k])
    print(row)
PY
