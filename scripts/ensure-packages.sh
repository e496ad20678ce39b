#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing.
# Usage: scripts/ensure-packages.sh build|test
set -euo pipefail

need=(g++ cmake make libmpfr-dev libgmp-dev)
if [ "${1:-build}" = test ]; then
  need+=(libgtest-dev tmux emf2svg)
fi

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "Missing packages: ${missing[*]}. Install them as root: apt-get install ${missing[*]}" >&2
  exit 1
fi
if ! { "${sudo[@]}" apt-get update -qq && \
       DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null; }; then
  echo "Could not install: ${missing[*]}. Install them with: apt-get install ${missing[*]}" >&2
  exit 1
fi
