#!/usr/bin/env bash
# Builds everything and runs every test.  Extra arguments go to cmake
# (for example -DPW_SANITIZE=ON); BUILD_DIR picks the build folder.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh test
dir=${BUILD_DIR:-build}
cmake -S . -B "$dir" -DPW_TESTS=ON "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
cd "$dir" && ctest --output-on-failure -j"$(nproc)"
