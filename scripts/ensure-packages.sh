#!/usr/bin/env bash
# Installs the Debian packages that building, testing or benchmarking need,
# when missing, and says what it is doing while it does.
# Usage: scripts/ensure-packages.sh build|test|bench|pictures [more packages...]
# (CI names the extra packages of its own builds, such as clang.)
set -euo pipefail

need=(g++ cmake make libncurses-dev libmpfr-dev libgmp-dev libcli11-dev nlohmann-json3-dev)
case "${1:-build}" in
  build) ;;
  test) need+=(libgtest-dev tmux emf2svg gnuplot-nox dpkg-dev file groff-base python3 poppler-utils qpdf
               librsvg2-bin netpbm) ;;
  bench) need+=(libbenchmark-dev) ;;
  pictures) need+=(tmux emf2svg librsvg2-bin gnuplot-nox python3) ;;
  *) echo "usage: $0 build|test|bench|pictures [more packages...]" >&2; exit 2 ;;
esac
[ $# -gt 0 ] && shift
need+=("$@")

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "Missing packages: ${missing[*]}. Install them as root: apt-get install ${missing[*]}" >&2
  exit 1
fi

# Everything goes to standard error, so that a caller's standard output
# stays its own.
{
  echo "==> Installing missing packages (once): ${missing[*]}"
  echo "==> Step 1 of 2: apt-get update (reading the package lists)"
} >&2
if ! "${sudo[@]}" apt-get update -q >&2; then
  echo "Could not read the package lists. Install by hand: apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "==> Step 2 of 2: apt-get install ${missing[*]} (a few minutes on a fresh machine)" >&2
# -q keeps one line per package downloaded, unpacked and set up, without
# the progress bars that fill a log.
if ! DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${missing[@]}" >&2; then
  echo "Could not install: ${missing[*]}. Install them with: apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "==> Packages installed." >&2
