# Building the program for a web page with Debian's emscripten (package
# emscripten):
#
#   cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake \
#     -DPW_WASM_DEPS=<prefix of GMP and MPFR built for wasm32>
#   cmake --build build-web --target pivotwright
#
# scripts/build-web.sh does all of it, GMP and MPFR included, and leaves
# the page in build-web/site/.  emscripten's tools need its configuration
# (EM_CONFIG, which the script writes so that the library cache is
# writable) and Debian's node modules (NODE_PATH=/usr/share/nodejs).
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

set(PW_WASM_DEPS "" CACHE PATH "Prefix holding GMP and MPFR built for wasm32 (include/, lib/)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PW_WASM_DEPS)
if(PW_WASM_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${PW_WASM_DEPS})
endif()
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
