#!/usr/bin/env bash
# Remakes the README's pictures in docs/ from the real program:
#   docs/screen-main.svg     the main screen, in a 90 x 30 tmux terminal
#   docs/screen-action2.svg  action 2 after 60.325, 146.05 and Y
#   docs/protractor.png      the protractor.emf that run wrote, as printed
#   docs/graph.svg           pivotwright-plot of action 3's graph.txt
#                            (arm 240 mm, overhang 16 mm, offset 22 degrees,
#                            radii 60 to 146 mm)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
scripts/ensure-packages.sh pictures
scripts/build.sh build pivotwright -DPW_TESTS=OFF

work=$(mktemp -d)
sock=pw-pictures-$$
tmx() { tmux -L "$sock" -f /dev/null "$@"; }
trap 'tmx kill-server 2>/dev/null || true; rm -rf "$work"' EXIT

# Waits until the screen shows the text, for at most 10 seconds.
wait_for() {
  for _ in $(seq 100); do
    tmx capture-pane -p -t pw | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  echo "The screen never showed: $1" >&2
  tmx capture-pane -p -t pw >&2
  exit 1
}
# Writes the screen as an SVG, with the cursor where the terminal has it
# when it is shown.
snapshot() {
  local where cursor=()
  where=$(tmx display-message -p -t pw '#{cursor_flag} #{cursor_x},#{cursor_y}')
  [ "${where%% *}" = 1 ] && cursor=(--cursor "${where#* }")
  tmx capture-pane -e -p -t pw | python3 scripts/screen-to-svg.py 90 30 "${cursor[@]}" >"$1"
}

tmx new-session -d -s pw -x 90 -y 30 -c "$work" "$top/build/pivotwright; sleep 5"
wait_for "Type the action number"
sleep 0.3
snapshot docs/screen-main.svg

tmx send-keys -t pw 2 Enter
wait_for "Inner recorded radius"
tmx send-keys -t pw 60.325 Enter
wait_for "Outer recorded radius"
tmx send-keys -t pw 146.05 Enter
wait_for "[Y/N]"
tmx send-keys -t pw Y Enter
wait_for "Press any key"
sleep 0.3
snapshot docs/screen-action2.svg

tmx send-keys -t pw x
wait_for "Select an action"
tmx send-keys -t pw 3 Enter
for value in 240 16 22 60 146; do
  sleep 0.2
  tmx send-keys -t pw "$value" Enter
done
wait_for "Press any key"
tmx send-keys -t pw x
wait_for "Select an action"
tmx send-keys -t pw 4 Enter

# The protractor: emf2svg-conv, tidied to the sheet, drawn at 1400 px wide
# on white, as the printed sheet looks.
emf2svg-conv -i "$work/protractor.emf" -o "$work/raw.svg"
python3 scripts/protractor-svg.py <"$work/raw.svg" >"$work/protractor.svg"
rsvg-convert -w 1400 -b white "$work/protractor.svg" -o docs/protractor.png

scripts/pivotwright-plot "$work/graph.txt" docs/graph.svg

too_big=0
for f in docs/screen-main.svg docs/screen-action2.svg docs/protractor.png docs/graph.svg; do
  size=$(stat -c %s "$f")
  echo "$f: $size bytes" >&2
  [ "$size" -lt 102400 ] || { echo "$f is over 100 KB" >&2; too_big=1; }
done
exit "$too_big"
