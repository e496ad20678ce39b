#!/usr/bin/env bash
# Builds the program and starts it in this terminal.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh build
cmake -S . -B build -DPW_TESTS=OFF >/dev/null
cmake --build build --target pivotwright -j"$(nproc)" >/dev/null
exec build/pivotwright
