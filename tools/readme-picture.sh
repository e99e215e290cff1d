#!/usr/bin/env bash
# Makes docs/level3.png: runs the program on a private Xvfb inside tmux,
# goes on to level 3 (finishing each animation at once) and photographs
# the window. Run from the top of the tree after a build.
set -euo pipefail
build=${1:-build}
out=docs/level3.png
display=:$(( 90 + RANDOM % 100 ))
socket=h3d-picture-$$

Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'tmux -L $socket kill-server 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
sleep 1
tmux -L "$socket" -f /dev/null new-session -d -x 80 -y 25 -e DISPLAY="$display" "$build/hilbert3d"
waitFor() {
  for _ in $(seq 100); do
    tmux -L "$socket" capture-pane -p | grep -q "$1" && return 0
    sleep 0.1
  done
  echo "readme-picture: the terminal never showed '$1'" >&2
  exit 1
}
waitFor "Drawing level:  O"
for level in 1 2 3; do
  tmux -L "$socket" send-keys Enter
  waitFor "Drawing level:  $level "
  sleep 0.3
  tmux -L "$socket" send-keys Space
  sleep 1
done
"$build/screenshot" "$display" "Hilbert Curve in 3D" "$out"
tmux -L "$socket" send-keys Escape
echo "wrote $out"
