#!/bin/sh
# Builds the Debian package (or takes one), unpacks it into a scratch root
# with dpkg -x and runs what it installed.
# Usage: deb_test.sh BUILD_DIR | PACKAGE.deb
set -u
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR | PACKAGE.deb" >&2; exit 2; }

here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/checks.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/deb_test.XXXXXX")
trap 'rm -rf "$work"' EXIT

case "$1" in
  *.deb) deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1") ;;
  *)
    # A package of its own in the scratch folder, so that parallel runs
    # and the build folder's own packages do not meet.
    if ! (cd "$1" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
      cat "$work/cpack.log"
      echo "FAIL: cpack -G DEB in $1"
      exit 1
    fi
    deb=$work/out/pivotwright_1.01-1_amd64.deb
    ;;
esac
[ -f "$deb" ] || { echo "FAIL: no package at $deb"; exit 1; }
check "package file name" [ "$(basename "$deb")" = pivotwright_1.01-1_amd64.deb ]

field() { dpkg-deb -f "$deb" "$1"; }
check "Package field" [ "$(field Package)" = pivotwright ]
check "Version field" [ "$(field Version)" = 1.01-1 ]
check "Section field" [ "$(field Section)" = utils ]
check "Depends on the C++ runtime (from dpkg-shlibdeps)" sh -c "dpkg-deb -f '$deb' Depends | grep -q 'libstdc++6'"
check "Recommends gnuplot-nox" [ "$(field Recommends)" = gnuplot-nox ]
check "a long description" [ "$(field Description | wc -l)" -gt 3 ]

root=$work/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }
check "program installed executable" [ -x "$root/usr/bin/pivotwright" ]
check "plot script installed executable" [ -x "$root/usr/bin/pivotwright-plot" ]
for f in usr/share/man/man1/pivotwright.1.gz usr/share/man/man1/pivotwright-plot.1.gz \
         usr/share/doc/pivotwright/copyright usr/share/doc/pivotwright/LICENSE \
         usr/share/doc/pivotwright/README.md usr/share/doc/pivotwright/changelog.Debian.gz; do
  check "$f installed" [ -s "$root/$f" ]
done
check "copyright names the licence" grep -q '^License: Expat' "$root/usr/share/doc/pivotwright/copyright"
for page in pivotwright pivotwright-plot pivotwright-align pivotwright-check pivotwright-protractor; do
  gzip -dc "$root/usr/share/man/man1/$page.1.gz" | groff -man -ww -z 2>"$work/groff.log"
  check "$page manual page formats without warnings" [ ! -s "$work/groff.log" ]
done

# The installed program through a pipe: the main screen, then "4" quits.
mkdir "$work/run"
cd "$work/run" || exit 1
printf '4\n' | "$root/usr/bin/pivotwright" >screen 2>&1
status=$?
check "installed program quits with 0 (got $status)" [ "$status" -eq 0 ]
check "installed program shows the main screen" grep -q 'Select an action' screen

out=$("$root/usr/bin/pivotwright" --version 2>"$work/err")
status=$?
check "--version exit status $status" [ "$status" -eq 0 ]
check "--version output '$out'" [ "$out" = "pivotwright 1.01" ]
check "--version writes nothing on standard error" [ ! -s "$work/err" ]
# The plot script writes its version by hand: it must be the program's.
check "pivotwright-plot --version gives the program's version" \
  [ "$("$root/usr/bin/pivotwright-plot" --version)" = "pivotwright-plot ${out#pivotwright }" ]

# The commands of the installed program.
"$root/usr/bin/pivotwright" align --pivot 222 --alignment baerwald --json >align.json 2>"$work/err"
check "installed align exits with 0" [ $? -eq 0 ]
check "installed align gives the Baerwald nulls" grep -q '"inner_null": 65.998' align.json
"$root/usr/bin/pivotwright" protractor --pivot 222 -o p.pdf >/dev/null 2>"$work/err"
check "installed protractor writes a PDF" grep -q '^%PDF-1.6' p.pdf

# Action 3 through a pipe, then the installed plot script on its graph.txt.
printf '3\n240\n16\n22\n60\n146\n\n4\n' | "$root/usr/bin/pivotwright" >/dev/null 2>&1
check "installed program wrote graph.txt" [ -s graph.txt ]
if command -v gnuplot >/dev/null 2>&1; then
  "$root/usr/bin/pivotwright-plot" 2>/dev/null
  check "installed plot script drew graph.svg" grep -q '>null 64.23 mm<' graph.svg
else
  echo "note: gnuplot missing, the installed plot script was not run"
fi

finish
