#!/usr/bin/env bash
# The aarch64 build against the x86-64 build on this machine.
#
# Cross-builds for aarch64 with Debian's g++-aarch64-linux-gnu
# (cmake/aarch64-linux-gnu.cmake), runs the unit and reference tests that
# need no terminal under qemu-aarch64, then types the same keys into the
# x86-64 program and the aarch64 program through a pipe (the cases of
# tests/support/piped-cases.txt) and compares what they show (the piped
# output), every file they write and their exit status byte for byte; then
# runs both with the argument vectors of tests/support/cli-cases.txt.  Both
# comparisons are tests/support/compare.py's.  Exits non-zero on any failure
# or difference.  Installs what it needs with apt-get.
#
# The x86-64 program: PW_LINUX_BUILD=dir takes the one in that build folder
# (CI passes the gcc part's build/); without it, one is built in
# X86_BUILD_DIR (default build-x86).  ARM_BUILD_DIR (default build-arm) is
# the aarch64 build folder; GoogleTest for aarch64 is built once into
# $ARM_BUILD_DIR-deps.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
x86=${X86_BUILD_DIR:-build-x86}
arm=${ARM_BUILD_DIR:-build-arm}
deps=$root/$arm-deps
jobs=$(nproc)
qemu=(qemu-aarch64 -L /usr/aarch64-linux-gnu)

started=$(date +%s)
last=$started
step() {
  local now
  now=$(date +%s)
  echo "== $1 (previous step $((now - last)) s, total $((now - started)) s)"
  last=$now
}

step "packages"
# The aarch64 libraries are Debian's arm64 packages (multiarch).
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  if [ "$(id -u)" -eq 0 ]; then dpkg --add-architecture arm64; else sudo dpkg --add-architecture arm64; fi
fi
scripts/ensure-packages.sh build g++-aarch64-linux-gnu qemu-user googletest python3 \
  libmpfr-dev:arm64 libgmp-dev:arm64 libncurses-dev:arm64

step "x86-64 program"
if [ -n "${PW_LINUX_BUILD:-}" ]; then
  x86_exe=$(cd "$PW_LINUX_BUILD" && pwd)/pivotwright
else
  cmake -S . -B "$x86" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPW_TESTS=OFF >/dev/null
  cmake --build "$x86" -j"$jobs" --target pivotwright >/dev/null
  x86_exe=$root/$x86/pivotwright
fi
[ -x "$x86_exe" ] || { echo "no x86-64 program at $x86_exe" >&2; exit 1; }
echo "x86-64 program: $x86_exe"

step "GoogleTest for aarch64"
if [ ! -f "$deps/gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$deps/gtest-build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$deps/gtest" >/dev/null
  cmake --build "$deps/gtest-build" -j"$jobs" >/dev/null
  cmake --install "$deps/gtest-build" >/dev/null
fi

step "aarch64 program and tests"
cmake -S . -B "$arm" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake" \
  -DCMAKE_PREFIX_PATH="$deps/gtest" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPW_TESTS=ON >/dev/null
# Every test program but the end-to-end one, which drives a terminal.
targets=(pivotwright base_tests platform_tests text_tests geometry_tests drawing_tests screens_tests
         actions_tests commands_tests program_tests command_line_replay key_decoder_replay number_text_replay
         text_to_number_replay
         program_replay)
cmake --build "$arm" -j"$jobs" --target "${targets[@]}" >/dev/null

step "aarch64 tests under qemu"
# Not the end-to-end tests (shown as e2e_tests_NOT_BUILT when that program
# was not built, by their names when it was), nor the job-control tests on a
# pseudo-terminal: qemu-user does not pass SIGTSTP and SIGCONT on as a
# kernel would (they time out there); nor the tests of the x86-64 package,
# script and comparison tool, which the x86-64 suite runs.
e2e='^(Action[123]EndToEnd|Fault(Files|Input|LargeGrid|Signals)|MainScreenE2E|DeviceSignals)[.]|_NOT_BUILT$|^(deb_package|plot_script|layers|compare_tool)$'
(cd "$arm" && ctest -j"$jobs" --output-on-failure -E "$e2e")

step "piped runs, x86-64 against aarch64"
# Both programs in fresh folders with the same keys through a pipe: the
# output, every file written and the exit status, byte for byte.
words() { printf '%q ' "$@"; }
x86_cmd=$(words "$x86_exe")
arm_cmd=$(words "${qemu[@]}" "$root/$arm/pivotwright")
failed=()
python3 tests/support/compare.py piped --names x86-64,aarch64 --first "$x86_cmd" --second "$arm_cmd" \
  tests/support/piped-cases.txt || failed+=("piped runs")

step "argument vectors, x86-64 against aarch64"
python3 tests/support/compare.py cli --names x86-64,aarch64 --rel 1e-9 --first "$x86_cmd" --second "$arm_cmd" \
  tests/support/cli-cases.txt || failed+=("argument vectors")

step "done"
if [ ${#failed[@]} -gt 0 ]; then
  echo "differences in: ${failed[*]}"
  exit 1
fi
echo "no differences"
