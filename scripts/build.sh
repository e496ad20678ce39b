#!/usr/bin/env bash
# Configures and builds one build folder, showing progress only when there
# is work: a fresh folder says so and shows each file compiled; a build
# that is already up to date prints nothing.
# Usage: scripts/build.sh BUILD_DIR TARGET|all [CMAKE_ARGUMENTS...]
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 BUILD_DIR TARGET|all [CMAKE_ARGUMENTS...]" >&2; exit 2; }
dir=$1
target=$2
shift 2
cd "$(dirname "$0")/.."

if [ ! -f "$dir/CMakeCache.txt" ]; then
  echo "==> Configuring a new build in $dir/ (cmake)" >&2
  fresh=1
else
  fresh=0
fi
# The configure step's chatter is dropped; its errors go to standard error.
cmake -S . -B "$dir" "$@" >/dev/null

if [ "$fresh" -eq 1 ]; then
  echo "==> Building $target in $dir/ for the first time ($(nproc) jobs; later builds only redo what changed)" >&2
fi
# The build's lines for targets already up to date are dropped, so a build
# with nothing to do is silent while a real one shows each step as it
# happens (grep passes each line on at once; mawk, Debian's awk, would hold
# them back in blocks).  grep's status 1 only means nothing was left to show.
cmake --build "$dir" --target "$target" -j"$(nproc)" 2>&1 |
  { grep --line-buffered -v -E '^\[ *[0-9]+%\] Built target ' || [ $? -eq 1 ]; } >&2
