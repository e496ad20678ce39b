#!/bin/sh
# Runs pivotwright-plot on reference graph files and on bad input, and
# checks the pictures and the messages.
# Usage: plot_test.sh [PLOT_SCRIPT [DATA_DIR]]
set -u
here=$(cd "$(dirname "$0")" && pwd)
plot=${1:-$here/../../scripts/pivotwright-plot}
data=${2:-$here/../data/action3}
plot=$(cd "$(dirname "$plot")" && pwd)/$(basename "$plot")
data=$(cd "$data" && pwd)

. "$here/../support/checks.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/plot_test.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# The reference arm: 240 mm, 16 mm overhang, 22 degrees offset.  Its null
# radii from the geometry are L sin(b) -+ sqrt(L^2 sin^2(b) - L^2 + D^2)
# with L = 240, D = 224, b = 22 degrees: 64.234 and 115.577 mm.
"$plot" "$data/arm-240/graph.txt" arm.svg 2>msg
status=$?
check "reference graph: exit status $status" [ "$status" -eq 0 ]
check "reference graph: picture written" [ -s arm.svg ]
check "SVG is complete" grep -q '</svg>' arm.svg
check "upper panel titled with tracking error" grep -q '>Lateral tracking error (degrees)<' arm.svg
check "lower panel titled with distortion" grep -q '>Distortion from tracking error (per cent)<' arm.svg
check "inner null radius marked" grep -q '>null 64.23 mm<' arm.svg
check "outer null radius marked" grep -q '>null 115.58 mm<' arm.svg
check "no other null radius" [ "$(grep -c '>null [0-9.]* mm<' arm.svg)" -eq 2 ]
check "null lines drawn in both panels" [ "$(grep -c "stroke-dasharray" arm.svg)" -ge 2 ]
check "message names the null radii" grep -q 'null radii: 64.23, 115.58 mm' msg

# The default names: graph.txt in, graph.svg out.
mkdir default && cp "$data/arm-222-iec/graph.txt" default/
(cd default && "$plot" 2>/dev/null)
check "default output graph.svg" grep -q '>null 66.00 mm<' default/graph.svg

# The format follows the output's extension.
"$plot" "$data/pivot-224/graph.txt" p.png 2>/dev/null
check "PNG by extension" [ "$(head -c 4 p.png | od -An -c | tr -d ' ')" = '211PNG' ]
"$plot" "$data/pivot-224/graph.txt" p.pdf 2>/dev/null
check "PDF by extension" [ "$(head -c 5 p.pdf)" = '%PDF-' ]

# An error that never crosses zero draws without null marks.
printf '60,.5,60,.6\r\n60.1,.4,60.1,.5\r\n' > positive.txt
"$plot" positive.txt positive.svg 2>msg
check "no crossing: drawn" [ -s positive.svg ]
check "no crossing: no null mark" sh -c '! grep -q ">null " positive.svg'
check "no crossing: said so" grep -q 'does not cross zero' msg

# Bad input: the exit status, the message, and no picture left behind.
expect_error() {  # expect_error STATUS MESSAGE-PART ARGS...
  want=$1; part=$2; shift 2
  rm -f out.svg
  "$plot" "$@" >out 2>err
  got=$?
  check "$* : status $got, want $want" [ "$got" -eq "$want" ]
  check "$* : message has '$part'" grep -qF -- "$part" err
  check "$* : nothing on standard output" [ ! -s out ]
}
: > empty.txt
printf '60,1,60,2\r\nhello\r\n' > garbage.txt
printf '60,1,60\r\n' > three.txt
expect_error 1 'no such file: missing.txt' missing.txt out.svg
expect_error 1 'empty.txt is empty' empty.txt out.svg
expect_error 1 'line 2 is not four comma-separated numbers' garbage.txt out.svg
expect_error 1 'line 1 is not four comma-separated numbers' three.txt out.svg
expect_error 1 'is a directory' "$work" out.svg
expect_error 2 'end it in .svg, .png or .pdf' "$data/arm-240/graph.txt" out.tiff
expect_error 2 'too many arguments' a b c
expect_error 1 'cannot write' "$data/arm-240/graph.txt" "$work/no/such/folder/out.svg"
check "no picture from bad input" [ ! -e out.svg ]
if [ "$(id -u)" -ne 0 ]; then
  cp "$data/arm-240/graph.txt" locked.txt && chmod 000 locked.txt
  expect_error 1 'cannot read locked.txt' locked.txt out.svg
else
  echo "note: running as root, which reads any file: unreadable-input case not run"
fi

# Without gnuplot on the PATH: a message that says how to install it.  The
# PATH keeps the other tools the script uses.
mkdir tools
for t in awk mktemp rm mv cat sed; do ln -s "$(command -v "$t")" "tools/$t"; done
PATH=$work/tools "$plot" "$data/arm-240/graph.txt" out.svg >out 2>err
status=$?
check "no gnuplot: status $status" [ "$status" -eq 1 ]
check "no gnuplot: says how to install it" grep -q 'apt-get install gnuplot-nox' err
check "no gnuplot: no picture" [ ! -e out.svg ]

finish
