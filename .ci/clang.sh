#!/usr/bin/env bash
# Builds everything with clang++ under -Werror -- the program, the tests, the
# fuzz corpus replay programs and the benchmarks -- with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole suite on that build: that is
# ./test.sh with these cmake arguments.
# Extra arguments go to cmake (-DPW_SANITIZE=OFF for a plain clang build);
# BUILD_DIR picks the build folder (default build-clang).
set -euo pipefail
cd "$(dirname "$0")/.."

# clang, Google Benchmark, then the sanitizer runtime of that clang version.
scripts/ensure-packages.sh test clang libbenchmark-dev
version=$(clang++ -dumpversion)
scripts/ensure-packages.sh test "libclang-rt-${version%%.*}-dev"

BUILD_DIR=${BUILD_DIR:-build-clang} CC=clang CXX=clang++ exec ./test.sh -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DPW_WERROR=ON -DPW_SANITIZE=ON -DPW_BENCH=ON "$@"
