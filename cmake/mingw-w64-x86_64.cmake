# Cross-building the 64-bit Windows program with Debian's mingw-w64
# compilers (packages g++-mingw-w64-x86-64-posix and its gcc):
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#   cmake --build build-windows --target pivotwright
#
# The result is one statically linked console program, pivotwright.exe, that
# needs no DLL beyond those every Windows has.  Libraries built for Windows
# outside the compiler's own folder (GMP and MPFR, see .ci/windows.sh) are
# found under PW_WINDOWS_DEPS.  Test programs are run through Wine when
# ctest runs them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PW_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PW_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PW_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PW_MINGW_TRIPLE}-windres)

set(PW_WINDOWS_DEPS "" CACHE PATH "Prefix holding libraries built for Windows (include/, lib/)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PW_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${PW_MINGW_TRIPLE})
if(PW_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${PW_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static libraries only: the program is one file.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

# The C and C++ run-time libraries and the threads library go into the
# program itself.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(PW_WINE wine)
if(PW_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PW_WINE})
endif()
