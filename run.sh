#!/usr/bin/env bash
# Builds the program and starts it in this terminal.  Arguments go to the
# program (--help, --version).
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh build
scripts/build.sh build pivotwright -DPW_TESTS=OFF
exec build/pivotwright "$@"
