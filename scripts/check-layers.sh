#!/usr/bin/env bash
# Checks that every folder of src/ includes only itself and the folders
# below it.  The interactive program's layers, lowest first:
#   base platform text geometry drawing screens actions
# and beside screens and actions, on the same footing, the command-line
# commands:
#   base platform text geometry drawing commands
# program sits on top of both.  Prints each include that reaches up or
# sideways and exits 1 if there is any.
set -euo pipefail
cd "$(dirname "$0")/../src"
declare -A below=(
  [base]="base"
  [platform]="base platform"
  [text]="base platform text"
  [geometry]="base platform text geometry"
  [drawing]="base platform text geometry drawing"
  [screens]="base platform text geometry drawing screens"
  [actions]="base platform text geometry drawing screens actions"
  [commands]="base platform text geometry drawing commands"
  [program]="base platform text geometry drawing screens actions commands program"
)
folders=(base platform text geometry drawing screens actions commands program)
status=0
for folder in "${folders[@]}"; do
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$text")
    if [[ " ${below[$folder]} " != *" $target "* ]]; then
      echo "src/$file:$line: $folder includes $target: $text"
      status=1
    fi
  done < <(grep -rn '#include "' "$folder" || true)
done
[ "$status" -eq 0 ] && echo "every folder includes only itself and the folders below it"
exit "$status"
