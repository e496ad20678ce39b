#!/usr/bin/env bash
# Builds everything and runs every test.  Extra arguments go to cmake
# (for example -DPW_SANITIZE=ON); BUILD_DIR picks the build folder.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh test
dir=${BUILD_DIR:-build}
scripts/build.sh "$dir" all -DPW_TESTS=ON "$@"
echo "==> Running the tests (ctest in $dir/)" >&2
cd "$dir" && ctest --output-on-failure -j"$(nproc)"
