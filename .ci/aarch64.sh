#!/usr/bin/env bash
# The aarch64 build against the x86-64 build on this machine.
#
# Cross-builds for aarch64 with Debian's g++-aarch64-linux-gnu
# (cmake/aarch64-linux-gnu.cmake), runs the unit and reference tests that
# need no terminal under qemu-aarch64, then types the same keys into the
# x86-64 program and the aarch64 program through a pipe, for actions 1, 2
# (with "Y") and 3, and compares what they show (the piped output),
# data.txt, graph.txt and protractor.emf byte for byte.  Exits non-zero on
# any failure or difference.  Installs what it needs with apt-get.
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
scripts/ensure-packages.sh build g++-aarch64-linux-gnu qemu-user googletest \
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
         actions_tests program_tests key_decoder_replay number_text_replay text_to_number_replay
         program_replay)
cmake --build "$arm" -j"$jobs" --target "${targets[@]}" >/dev/null

step "aarch64 tests under qemu"
# Not the end-to-end tests (shown as e2e_tests_NOT_BUILT when that program
# was not built, by their names when it was), nor the job-control tests on a
# pseudo-terminal: qemu-user does not pass SIGTSTP and SIGCONT on as a
# kernel would (they time out there); nor the tests of the x86-64 package
# and script, which the x86-64 suite runs.
e2e='^(Action[123]EndToEnd|Fault(Files|Input|LargeGrid|Signals)|MainScreenE2E|DeviceSignals)[.]|_NOT_BUILT$|^(deb_package|plot_script|layers)$'
(cd "$arm" && ctest -j"$jobs" --output-on-failure -E "$e2e")

step "piped runs, x86-64 against aarch64"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The keys for action 3 from a reference set-up's typed.txt: the quoted
# texts, the pivot to spindle distance only when the arm length is empty.
action3_keys() {
  local f=$1 arm pivot overhang offset inner outer
  field() { sed -n "s/^$1: \"\\([^\"]*\\)\".*/\\1/p" "$f"; }
  arm=$(field "arm length")
  pivot=$(field "pivot to spindle distance")
  overhang=$(field "overhang")
  offset=$(field "offset")
  inner=$(field "inner recorded radius")
  outer=$(field "outer recorded radius")
  printf '3\n%s\n' "$arm"
  [ -z "$arm" ] && printf '%s\n' "$pivot"
  printf '%s\n%s\n%s\n%s\n\n4\n' "$overhang" "$offset" "$inner" "$outer"
}

cases=()
keys=()
add_case() { cases+=("$1"); keys+=("$2"); }
add_case action1-arm-229 $'1\n229\n60.325\n146.05\n\n4\n'
add_case action1-pivot-211 $'1\n\n211\n60.325\n146.05\n\n4\n'
add_case action1-arm-240 $'1\n240\n60\n146\n\n4\n'
add_case action2-y $'2\n60.325\n146.05\nY\n\n4\n'
add_case action2-y-60-146 $'2\n60\n146\ny\n\n4\n'
# A long grid (30,001 rows from radius 0 to 3000 mm) for many more tangents.
add_case action3-arm-240-long $'3\n240\n16\n22\n0\n3000\n\n4\n'
for typed in tests/data/action3/*/typed.txt; do
  add_case "action3-$(basename "$(dirname "$typed")")" "$(action3_keys "$typed")"$'\n'
done

differences=0
compared=0
for i in "${!cases[@]}"; do
  name=${cases[$i]}
  for side in x86 arm; do
    mkdir -p "$scratch/$name/$side"
  done
  (cd "$scratch/$name/x86" && printf '%s' "${keys[$i]}" | "$x86_exe" > screen.out) || true
  t0=$(date +%s.%N)
  (cd "$scratch/$name/arm" && printf '%s' "${keys[$i]}" | "${qemu[@]}" "$root/$arm/pivotwright" > screen.out) || true
  t1=$(date +%s.%N)
  files=""
  for f in screen.out data.txt graph.txt protractor.emf; do
    a=$scratch/$name/x86/$f
    b=$scratch/$name/arm/$f
    [ -e "$a" ] || [ -e "$b" ] || continue
    compared=$((compared + 1))
    if cmp -s "$a" "$b"; then
      files+=" $f ($(wc -c < "$a") bytes) same;"
    else
      files+=" $f DIFFERS;"
      differences=$((differences + 1))
    fi
  done
  printf "%-24s aarch64 run %s s:%s\n" "$name" "$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }')" "$files"
done

step "done"
echo "compared $compared files, $differences differ"
[ "$differences" -eq 0 ]
