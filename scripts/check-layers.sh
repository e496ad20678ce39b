#!/usr/bin/env bash
# Checks that every folder of src/ includes only itself and the folders
# below it, in this order (lowest first):
#   base platform text geometry drawing screens actions program
# Prints each include that reaches up and exits 1 if there is any.
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(base platform text geometry drawing screens actions program)
rank() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}
status=0
for folder in "${layers[@]}"; do
  own=$(rank "$folder")
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$text")
    if [ "$(rank "$target")" -gt "$own" ] || [ "$(rank "$target")" -lt 0 ]; then
      echo "src/$file:$line: $folder includes $target: $text"
      status=1
    fi
  done < <(grep -rn '#include "' "$folder" || true)
done
[ "$status" -eq 0 ] && echo "every folder includes only itself and the folders below it"
exit "$status"
