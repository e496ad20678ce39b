#!/usr/bin/env bash
# clang-tidy with the checks of .clang-tidy (warnings are errors): src/ on
# the compile commands of a configure-only build folder, the Windows
# backend against the mingw-w64 headers, and the web backend against
# emscripten's.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh build clang-tidy g++-mingw-w64-x86-64-posix emscripten
cmake -S . -B build-tidy -DPW_TESTS=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
mapfile -t files < <(find src -name '*.cpp' -not -path 'src/platform/windows/*' -not -path 'src/platform/web/*' |
  sort)
echo "clang-tidy on ${#files[@]} files"
# GCC's own headers (quadmath.h) are where clang does not look.
clang-tidy --quiet -p build-tidy --extra-arg=-isystem"$(gcc -print-file-name=include)" "${files[@]}"

mapfile -t windows < <(find src/platform/windows -name '*.cpp' | sort)
echo "clang-tidy on ${#windows[@]} files of the Windows backend"
cxx=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++ | tail -1)
clang-tidy --quiet "${windows[@]}" -- -std=c++20 -Isrc -DWIN32_LEAN_AND_MEAN -DNOMINMAX --target=x86_64-w64-mingw32 \
  -isystem "$cxx" -isystem "$cxx/x86_64-w64-mingw32" -isystem /usr/x86_64-w64-mingw32/include

mapfile -t web < <(find src/platform/web -name '*.cpp' | sort)
echo "clang-tidy on ${#web[@]} files of the web backend"
sysroot=/usr/share/emscripten/cache/sysroot
clang-tidy --quiet "${web[@]}" -- -std=c++20 -Isrc --target=wasm32-unknown-emscripten -D__EMSCRIPTEN__ \
  -DEMSCRIPTEN -D_LIBCPP_ABI_VERSION=2 -fexceptions -nostdinc++ -isystem "$sysroot/include/c++/v1" \
  -isystem "$sysroot/include/compat" -isystem "$sysroot/include"
