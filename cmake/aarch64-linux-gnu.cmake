# Cross-compiling for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu.
#
# Libraries for the target come from Debian's multiarch packages
#   dpkg --add-architecture arm64 && apt-get update &&
#   apt-get install libmpfr-dev:arm64 libgmp-dev:arm64
# which put them in /usr/lib/aarch64-linux-gnu.  GoogleTest for the target is
# built from /usr/src/googletest with this same file and found through
# CMAKE_PREFIX_PATH (.ci/aarch64.sh does all of this).  Programs and tests
# run under qemu-aarch64 (Debian's qemu-user).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# The cross compiler's own files, then the multiarch folders under /usr;
# build tools always come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Test discovery and ctest run the target's programs through the emulator.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
