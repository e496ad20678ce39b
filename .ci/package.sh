#!/usr/bin/env bash
# The Debian package: built with cpack from a release build, checked by
# lintian (no errors allowed; the warnings left are listed in the notes),
# then unpacked and run by tests/package/deb_test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh build dpkg-dev file lintian groff-base
dir=build-package
cmake -S . -B "$dir" -DPW_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir" --target pivotwright -j"$(nproc)" >/dev/null
rm -f "$dir"/pivotwright_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(echo "$dir"/pivotwright_*.deb)
echo "package: $deb, $(stat -c %s "$deb") bytes"
# lintian as root needs to be told that is fine; E: lines fail the check.
report=$(lintian --allow-root "$deb" || true)
printf '%s\n' "$report"
if grep -q '^E:' <<<"$report"; then
  echo "lintian reports errors" >&2
  exit 1
fi
sh tests/package/deb_test.sh "$deb"
