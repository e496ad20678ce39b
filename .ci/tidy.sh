#!/usr/bin/env bash
# clang-tidy over src/ with the checks of .clang-tidy (warnings are errors),
# on the compile commands of a configure-only build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh build clang-tidy
cmake -S . -B build-tidy -DPW_TESTS=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
# The Windows backend is checked by the Windows build; here the POSIX one.
mapfile -t files < <(find src -name '*.cpp' -not -path 'src/platform/windows/*' | sort)
echo "clang-tidy on ${#files[@]} files"
# GCC's own headers (quadmath.h) are where clang does not look.
clang-tidy --quiet -p build-tidy --extra-arg=-isystem"$(gcc -print-file-name=include)" "${files[@]}"
