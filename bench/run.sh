#!/usr/bin/env bash
# Builds the benchmarks and runs all of them: the host benchmarks, the peak
# memory of the largest merge, and the Windows build against a reg.exe
# script under Wine. Prints the tables of the README's Performance section.
#   bash bench/run.sh
# KORVINST_BENCH_BUILD  the build folder (default /tmp/bench-build)
# KORVINST_BENCH_OUT    where the results go (default <build>/bench-results)
# KORVINST_EXE          the Windows program (default build/windows/korvinst.exe,
#                       built with the windows preset when missing)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVINST_BENCH_BUILD:-/tmp/bench-build}
out=${KORVINST_BENCH_OUT:-$build/bench-results}
exe=${KORVINST_EXE:-$root/build/windows/korvinst.exe}
mkdir -p "$out"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target korvinst_bench
bench=$build/bench/korvinst_bench

echo "== host benchmarks"
"$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.2 --benchmark_enable_random_interleaving=true \
  --benchmark_out="$out/bench.json" --benchmark_out_format=json

echo "== Windows build under Wine"
: >"$out/wine.json"
if ! command -v wine >/dev/null; then
  echo "wine is not installed; the Windows run is not measured"
else
  if [ ! -f "$exe" ]; then
    (cd "$root" && cmake --preset windows >/dev/null &&
      cmake --build --preset windows --target korvinst)
  fi
  bash "$root/bench/wine_run.sh" "$exe" "$bench" 5 | tee "$out/wine.json"
fi

echo "== report"
python3 "$root/bench/report.py" "$out/bench.json" "$out/wine.json" |
  tee "$out/report.md"
