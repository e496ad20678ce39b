#!/usr/bin/env bash
# Builds the benchmarks (installing libbenchmark-dev when missing) and runs
# every benchmark program.  Extra arguments go to each benchmark program
# (for example --benchmark_filter=Graph).
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh bench
scripts/build.sh build-bench all -DPW_BENCH=ON -DPW_TESTS=OFF
found=0
for b in build-bench/bench/*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  found=1
  echo "==> $b" >&2
  "$b" "$@"
done
[ "$found" -eq 1 ] || { echo "No benchmark programs in build-bench/bench/" >&2; exit 1; }
