#!/usr/bin/env bash
# Fetches and unpacks Debian source packages into a folder, through a
# private apt configuration (deb-src for this system's own Debian release)
# that leaves the system's package lists alone.
# Usage: scripts/debian-sources.sh FOLDER SOURCE_PACKAGE...
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 FOLDER SOURCE_PACKAGE..." >&2; exit 2; }
folder=$1
shift
mkdir -p "$folder/apt/lists/partial" "$folder/apt/archives/partial" "$folder/apt/sources"
. /etc/os-release
cat > "$folder/apt/sources/debian-src.sources" <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: ${VERSION_CODENAME}
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
apt_opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$folder/apt/sources"
          -o "Dir::State::Lists=$folder/apt/lists" -o "Dir::Cache=$folder/apt")
apt-get "${apt_opts[@]}" -qq update
(cd "$folder" && apt-get "${apt_opts[@]}" -qq source "$@" >/dev/null)
