#!/usr/bin/env bash
# The Windows program: cross-built with mingw-w64 and tested under Wine.
#
#   1. packages         the cross compiler, Wine, GoogleTest's source, tmux
#   2. gmp-mpfr         GMP and MPFR built for Windows from Debian's source
#                       packages (no mingw packages exist), kept in a cache
#                       folder between runs
#   3. linux-build      the Linux program, to compare bytes with
#                       (PW_LINUX_BUILD=dir uses a build folder that has it)
#   4. windows-build    pivotwright.exe and the Windows test programs; the
#                       program must be a 64-bit console program that needs
#                       no DLL beyond Windows' own
#   5. wine-prefix      one Wine prefix for the whole run
#   6. unit-tests       the Windows test programs under Wine (and MPFR's
#                       Windows build checked against Linux's)
#   7. piped-runs       pivotwright.exe under Wine with keys from a file and
#                       the screen into a file, against Linux: the cases of
#                       tests/support/piped-cases.txt (the screen bytes,
#                       every file written, the exit status), action 3's files
#                       against the reference, and the argument vectors of
#                       tests/support/cli-cases.txt
#   8. console-e2e      pivotwright.exe on Wine's console in tmux: the main
#                       screen and its colours, an action, Ctrl+C, "4"; and
#                       the CPU time the program costs while it waits
#   9. package          cpack -G ZIP
#
# Prints the time of each phase; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

WIN_BUILD=$ROOT/${PW_WINDOWS_BUILD:-build-windows}
DEPS_CACHE=${PW_WINDOWS_DEPS_CACHE:-/var/cache/pivotwright/mingw-w64}
export WINEPREFIX=${WINEPREFIX:-$ROOT/build-wine/prefix}
export WINEDEBUG=-all
export WINEARCH=win64
# No Mono or Gecko installer prompts when the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
TRIPLE=x86_64-w64-mingw32
WORK=$(mktemp -d /tmp/pw-windows.XXXXXX)
SESSION=pw-windows-$$
# check and finish; every check is named as it passes or fails.
. tests/support/checks.sh
show_passed=1

# A tmux server of this run's own, so no other session is touched.
# UTF-8, so that characters beyond ASCII reach the terminal as typed.
T() { LANG=C.UTF-8 tmux -u -L "$SESSION" "$@"; }

cleanup() {
  T kill-server 2>/dev/null || true
  WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

PHASE_PART=windows
. tests/support/phases.sh

# ---- 1. packages -------------------------------------------------------------
phase packages
scripts/ensure-packages.sh build bc python3 tmux m4 dpkg-dev xz-utils groff-base \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  wine wine64 googletest

# ---- 2. GMP and MPFR for Windows ---------------------------------------------
# Built once per machine and compiler into DEPS_CACHE/<key>; the key names
# the source versions and the compiler, so a change of either rebuilds.
phase gmp-mpfr
gmp_version=$(dpkg-query -W -f='${source:Version}\n' libgmp-dev 2>/dev/null | head -1)
mpfr_version=$(dpkg-query -W -f='${source:Version}\n' libmpfr-dev 2>/dev/null | head -1)
cc_version=$($TRIPLE-gcc-posix -dumpversion)
deps_key="gmp-${gmp_version}_mpfr-${mpfr_version}_gcc-${cc_version}"
DEPS=$DEPS_CACHE/${deps_key//[^A-Za-z0-9._-]/_}
if [ -f "$DEPS/.complete" ]; then
  echo "  cached in $DEPS"
else
  rm -rf "$DEPS" "$DEPS.src"
  scripts/debian-sources.sh "$DEPS.src" gmp mpfr4
  gmp_src=$(find "$DEPS.src" -mindepth 1 -maxdepth 1 -type d -name 'gmp-*' | head -1)
  mpfr_src=$(find "$DEPS.src" -mindepth 1 -maxdepth 1 -type d -name 'mpfr4-*' | head -1)
  # Debian's GMP source has no manual; its own build regenerates the build
  # files without the doc folder, which here is simply left out.
  sed -i 's| doc/Makefile||' "$gmp_src/configure"
  sed -i 's/^\(SUBDIRS = .*\) doc$/\1/' "$gmp_src/Makefile.in"
  cross=(--host=$TRIPLE --build="$(gcc -dumpmachine)" --prefix="$DEPS" --disable-shared --enable-static
         CC=$TRIPLE-gcc-posix AR=$TRIPLE-ar RANLIB=$TRIPLE-ranlib NM=$TRIPLE-nm STRIP=$TRIPLE-strip
         CFLAGS=-O2)
  mkdir -p "$gmp_src/build" "$mpfr_src/build"
  (cd "$gmp_src/build" && ../configure "${cross[@]}" >/dev/null && make -j"$(nproc)" >/dev/null &&
     make install >/dev/null)
  (cd "$mpfr_src/build" && ../configure "${cross[@]}" --with-gmp="$DEPS" >/dev/null &&
     make -j"$(nproc)" >/dev/null && make install >/dev/null)
  rm -rf "$DEPS.src"
  touch "$DEPS/.complete"
fi
check "static GMP and MPFR for Windows in $DEPS" test -f "$DEPS/lib/libmpfr.a" -a -f "$DEPS/lib/libgmp.a"

# ---- 3. the Linux program -----------------------------------------------------
phase linux-build
if [ -n "${PW_LINUX_BUILD:-}" ]; then
  LINUX_EXE=$PW_LINUX_BUILD/pivotwright
else
  cmake -S . -B "$ROOT/build-windows-linux-ref" -DPW_TESTS=OFF >/dev/null
  cmake --build "$ROOT/build-windows-linux-ref" --target pivotwright -j"$(nproc)" >/dev/null
  LINUX_EXE=$ROOT/build-windows-linux-ref/pivotwright
fi
check "Linux program $LINUX_EXE" test -x "$LINUX_EXE"

# ---- 4. the Windows program and tests ----------------------------------------
phase windows-build
cmake -S . -B "$WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DPW_WINDOWS_DEPS="$DEPS" -DPW_TESTS=ON >/dev/null
cmake --build "$WIN_BUILD" -j"$(nproc)" >/dev/null
EXE=$WIN_BUILD/pivotwright.exe
headers=$($TRIPLE-objdump -p "$EXE")
check "pivotwright.exe is a 64-bit program" grep -q '^Magic.*020b' <<<"$headers"
check "pivotwright.exe is a console program" grep -q 'Subsystem.*(Windows CUI)' <<<"$headers"
dlls=$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort | tr '\n' ' ')
echo "  imports: $dlls"
only_system_dlls() {
  local d
  for d in $dlls; do
    case $d in
      kernel32.dll | user32.dll | msvcrt.dll | advapi32.dll | shell32.dll | ws2_32.dll) ;;
      *) echo "  not a Windows DLL: $d" >&2; return 1 ;;
    esac
  done
}
check "pivotwright.exe needs no DLL beyond Windows' own" only_system_dlls

# ---- 5. the Wine prefix ---------------------------------------------------------
phase wine-prefix
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  wine wineboot --init >/dev/null 2>&1 || true
  wineserver -w
fi
check "Wine prefix $WINEPREFIX" test -f "$WINEPREFIX/system.reg"

# ---- 6. the Windows test programs ---------------------------------------------
phase unit-tests
windows_tests() {
  (cd "$WIN_BUILD" && ctest) && return 0
  # What failed, without the pages of file contents a failed comparison
  # prints.
  (cd "$WIN_BUILD" && ctest --rerun-failed --output-on-failure 2>&1 |
     grep -E 'Failure|FAILED|Which is|trace:|_test.cpp' | cut -c1-300 | head -60) || true
  return 1
}
check "Windows test programs under Wine" windows_tests
# The multiple-precision fallback of the tangent: MPFR built for Windows
# gives the bits Linux's MPFR gives.
$TRIPLE-gcc-posix -O2 -static -I"$DEPS/include" tests/support/mpfr_check.c -o "$WORK/mpfr_check.exe" \
  -L"$DEPS/lib" -lmpfr -lgmp
gcc -O2 tests/support/mpfr_check.c -o "$WORK/mpfr_check" -lmpfr -lgmp
"$WORK/mpfr_check" > "$WORK/mpfr.linux"
wine "$WORK/mpfr_check.exe" | tr -d '\r' > "$WORK/mpfr.windows"
check "MPFR for Windows agrees with Linux's on 4000 results" cmp -s "$WORK/mpfr.linux" "$WORK/mpfr.windows"

# ---- 7. piped runs ----------------------------------------------------------------
phase piped-runs
# Both programs in fresh folders with the same keys from a file (Enter as
# CR), compared by tests/support/compare.py, which keeps each case's
# folders in $PIPED/NAME: linux/ and windows/ with the files written,
# SIDE.out (the screen bytes), SIDE.status, and "compared", one line per
# thing compared ("output same", "protractor.emf differs", ...).
PIPED=$WORK/piped
words() { printf '%q ' "$@"; }
compare_piped() {
  python3 tests/support/compare.py piped --names linux,windows --enter cr --stdin file --keep "$PIPED" \
    --first "$(words "$LINUX_EXE")" --second "$(words wine "$EXE")" tests/support/piped-cases.txt
}
check "piped runs: Linux and Windows the same in every case" compare_piped
same() {  # same CASE WHAT: the comparison found WHAT the same on both
  grep -qx "$2 same" "$PIPED/$1/compared"
}
status_is() {  # status_is CASE OS STATUS
  [ "$(cat "$PIPED/$1/$2.status")" = "$3" ]
}
for setup in "$ROOT"/tests/data/action3/*/; do
  name=$(basename "$setup")
  for f in data.txt graph.txt; do
    check "action 3 $name: Windows $f is the reference" cmp "$PIPED/action3-$name/windows/$f" "$setup/$f"
    check "action 3 $name: Linux $f is the reference" cmp -s "$PIPED/action3-$name/linux/$f" "$setup/$f"
  done
  check "action 3 $name: the same screen bytes" same "action3-$name" output
  check "action 3 $name: status 0 after 4" status_is "action3-$name" windows 0
done
check "action 2: protractor.emf written" test -s "$PIPED/action2-y-then-4/windows/protractor.emf"
check "action 2: the same protractor.emf" same action2-y-then-4 protractor.emf
check "action 2: the same screen bytes" same action2-y-then-4 output
check "action 1: the same screen bytes" same action1-arm-240-blank output
check "rejected choices: the same screen bytes, beeps included" same rejected output
for name in end-in-action1 end-at-once end-in-action3 end-in-action2; do
  check "$name: status 1 at the end of input" status_is "$name" windows 1
  check "$name: the same screen bytes" same "$name" output
done

# The command line: exit status and error output exactly, standard output
# with its numbers to a relative tolerance, files byte for byte.  CR LF
# counts as LF in what the Windows program prints, as a Windows program's
# text streams may end lines so (through a pipe it writes LF today).
compare_cli() {
  python3 tests/support/compare.py cli --names linux,windows --rel 1e-9 --crlf \
    --first "$(words "$LINUX_EXE")" --second "$(words wine "$EXE")" tests/support/cli-cases.txt
}
check "argument vectors: Linux and Windows the same" compare_cli

# ---- 8. the program on Wine's console, in tmux -------------------------------------
phase console-e2e
E2E=$WORK/console
mkdir -p "$E2E"
# Wine gives the program a console backed by the terminal it runs in.
T new-session -d -s "$SESSION" -x 90 -y 30 \
  "cd '$E2E' && LANG=C.UTF-8 WINEPREFIX='$WINEPREFIX' WINEDEBUG=-all wine '$EXE'; echo \$? > '$E2E/status'; sleep 3600"

# The screen as a user sees it: each row's text, or per cell the colours
# tmux shows, from `capture-pane -e`.
screen_text() { T capture-pane -t "$SESSION" -p -e | python3 tests/support/screen.py text; }
wait_for() {  # wait_for TEXT SECONDS
  local end=$((SECONDS + $2))
  while [ $SECONDS -lt $end ]; do
    screen_text | grep -qF -- "$1" && return 0
    sleep 0.2
  done
  echo "  timed out waiting for: $1" >&2
  screen_text | sed 's/^/  | /' >&2
  return 1
}
row() { screen_text | sed -n "$1p" | sed 's/ *$//'; }
wait_row() {  # wait_row ROW TEXT SECONDS
  local end=$((SECONDS + $3))
  while [ $SECONDS -lt $end ]; do
    [ "$(row "$1")" = "$2" ] && return 0
    sleep 0.2
  done
  echo "  row $1: '$(row "$1")'" >&2
  return 1
}
row_is() {  # row_is ROW TEXT
  [ "$(row "$1")" = "$2" ] || { echo "  row $1: '$(row "$1")'" >&2; return 1; }
}

shown=false
wait_for "Select an action" 90 && shown=true
check "main screen shown on Wine's console" "$shown"
if "$shown"; then
  screen_text | sed 's/^/  | /'
  check "row 2: the name and version" row_is 2 "   Pivotwright v1.01"
  check "row 9: Select an action" row_is 9 "                                   Select an action"
  check "row 12: action 1" row_is 12 "         1) Calculate optimum overhang and offset for specified arm dimensions"
  check "row 14: action 2" row_is 14 "         2) Calculate zero tracking error radii for specified groove dimensions"
  check "row 16: action 3" row_is 16 "         3) Generate graph data for LTE and LTE distortion versus groove radius"
  check "row 18: quit" row_is 18 "         4) Quit"
  check "row 21: the entry hint" row_is 21 \
    "                     Type the action number and <Enter> to initiate"
  colours_right() { T capture-pane -t "$SESSION" -p -e | python3 tests/support/screen.py main-colours; }
  check "colours: black and dark grey on bright white" colours_right
  check "cursor shown at row 25, column 10" \
    test "$(T display -t "$SESSION" -p '#{cursor_y},#{cursor_x},#{cursor_flag}')" = "24,9,1"
  check "window title" test "$(T display -t "$SESSION" -p '#{pane_title}')" = "Pivotwright"

  # Idle: the CPU time of the program and of every Wine process of this
  # prefix over 10 seconds at the main screen.
  read -r cpu_program cpu_all nprocs cpu_top < <(python3 tests/support/cpu.py "$WINEPREFIX")
  echo "  idle for 10 s at the main screen: pivotwright.exe ${cpu_program} ms CPU," \
       "all ${nprocs} Wine processes ${cpu_all} ms CPU (most: ${cpu_top})"
  check "idle: pivotwright.exe used under 100 ms of CPU in 10 s" test "$cpu_program" -lt 100

  # Ctrl+C is an ordinary key: nothing happens.
  before_ctrl_c=$(screen_text)
  T send-keys -t "$SESSION" C-c
  sleep 2
  check "Ctrl+C: the program goes on" test ! -e "$E2E/status"
  check "Ctrl+C: nothing echoed" test "$(screen_text)" = "$before_ctrl_c"

  # Rejected entries walk down from row 25; the line end on row 30 scrolls
  # the whole screen up one row.
  for _ in 1 2 3 4 5 6; do
    T send-keys -t "$SESSION" Enter
    sleep 0.3
  done
  check "six rejected entries: the screen scrolled up one row" wait_row 1 "   Pivotwright v1.01" 20
  check "six rejected entries: the menu moved up with it" \
    row_is 8 "                                   Select an action"
  check "six rejected entries: the cursor on row 30, column 10" \
    test "$(T display -t "$SESSION" -p '#{cursor_y},#{cursor_x}')" = "29,9"

  # Action 3 with the arm-240 set-up: the saved message, the files.
  T send-keys -t "$SESSION" 3 Enter
  wait_for "Effective arm length" 20 || true
  for k in 240 16 22 60 146; do
    T send-keys -t "$SESSION" "$k" Enter
    sleep 0.3
  done
  saved=false
  wait_for "The data has been saved" 60 && saved=true
  check "action 3 on Wine's console" "$saved"
  if "$saved"; then
    check "action 3: row 20 says where the files went" row_is 20 \
      "      The data has been saved to data.txt and graph.txt in the parent directory"
    check "action 3: data.txt as the reference" cmp -s "$E2E/data.txt" "$ROOT/tests/data/action3/arm-240/data.txt"
    check "action 3: graph.txt as the reference" cmp -s "$E2E/graph.txt" "$ROOT/tests/data/action3/arm-240/graph.txt"
  fi
  T send-keys -t "$SESSION" Space
  check "back at the main screen after a key" wait_for "Select an action" 20
  # A character of the code page's upper half: typed as UTF-8, echoed
  # through the console's code page, taken back by Backspace.
  T send-keys -t "$SESSION" -l "é"
  check "é echoes as itself" wait_row 25 "         é" 10
  T send-keys -t "$SESSION" BSpace
  check "Backspace takes it back" wait_row 25 "" 10
  T send-keys -t "$SESSION" 4 Enter
  end=$((SECONDS + 30))
  while [ ! -e "$E2E/status" ] && [ $SECONDS -lt $end ]; do sleep 0.2; done
  check "\"4\" ends the program with status 0" test "$(cat "$E2E/status" 2>/dev/null)" = 0
  check "after the program: the cursor shown" test "$(T display -t "$SESSION" -p '#{cursor_flag}')" = 1
  check "after the program: the title given back" test "$(T display -t "$SESSION" -p '#{pane_title}')" != Pivotwright
  check "after the program: its last screen still there" row_is 25 "         4"
fi
T kill-server 2>/dev/null || true

# ---- 9. the package ------------------------------------------------------------------
phase package
rm -f "$WIN_BUILD"/pivotwright-*-win64.zip
(cd "$WIN_BUILD" && cpack -G ZIP >/dev/null)
# Named after the version the program gives ("pivotwright 1.01").
version=$(wine "$EXE" --version | tr -d '\r') || true
ZIP=$WIN_BUILD/pivotwright-${version#pivotwright }-win64.zip
check "$(basename "$ZIP") made" test -f "$ZIP"
listing=$(python3 -c "import sys, zipfile; print('\n'.join(sorted(n for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith('/'))))" "$ZIP")
manuals=$'manual/pivotwright-align.txt\nmanual/pivotwright-check.txt\nmanual/pivotwright-protractor.txt\nmanual/pivotwright.txt'
check "the zip holds pivotwright.exe, README.txt and the manual pages" \
  test "$listing" = $'README.txt\n'"$manuals"$'\npivotwright.exe'
mkdir -p "$WORK/zip"
python3 -c "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])" "$ZIP" "$WORK/zip"
check "README.txt names the version" grep -q "^Pivotwright ${version#pivotwright } for Windows" "$WORK/zip/README.txt"
check "the manual page of align is in the zip as text" grep -q 'pivotwright align' "$WORK/zip/manual/pivotwright-align.txt"
run_zip() { (cd "$WORK/zip" && printf '4\r' | wine ./pivotwright.exe > screen.out); }
check "the packaged program runs" run_zip

phase_end
echo "windows: phase times"
printf '  %s\n' "${timings[@]}"
printf 'windows: '
finish
