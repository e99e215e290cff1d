#!/usr/bin/env bash
# How long the key-help panel takes to show after the graphics window appears,
# where the terminal's window cannot be found. The program runs in tmux on a
# private Xvfb under openbox, without WINDOWID:
#   tmux      as it is
#   title     TMUX unset, so a title is tried (tmux does not pass it on)
#   wayland   TMUX unset and WAYLAND_DISPLAY set
# Prints the median and the worst of the rounds in milliseconds (polled every
# few milliseconds, so a little late).
# Usage: tools/time-to-panel.sh [program] [rounds]
set -euo pipefail
program=$(realpath "${1:-build/hilbert3d}")
rounds=${2:-10}
socket=h3d-time-$$

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1600x1000x24 -nolisten tcp -ac >/dev/null 2>&1 &
xvfb=$!
read -r -u "$fd" number
export DISPLAY=:$number
openbox >/dev/null 2>&1 &
manager=$!
trap 'tmux -L $socket kill-server 2>/dev/null || true; kill $manager $xvfb 2>/dev/null || true' EXIT
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do sleep 0.05; done

now() { date +%s%3N; }

one_round() {  # $1: the environment changes for the program
  tmux -L "$socket" -f /dev/null new-session -d -x 80 -y 25 "env -u WINDOWID $1 $program"
  until xwininfo -name 'Hilbert Curve in 3D' >/dev/null 2>&1; do :; done
  local shown=$(now)
  until tmux -L "$socket" capture-pane -p | grep -q 'Drawing level'; do :; done
  echo $(($(now) - shown))
  tmux -L "$socket" send-keys Escape
  while tmux -L "$socket" has-session 2>/dev/null; do sleep 0.02; done
  while xwininfo -name 'Hilbert Curve in 3D' >/dev/null 2>&1; do sleep 0.02; done
}

for case in tmux title wayland; do
  case $case in
    tmux) change="" ;;
    title) change="-u TMUX" ;;
    wayland) change="-u TMUX WAYLAND_DISPLAY=wayland-0" ;;
  esac
  times=$(for _ in $(seq "$rounds"); do one_round "$change"; done | sort -n)
  median=$(echo "$times" | sed -n "$(((rounds + 1) / 2))p")
  worst=$(echo "$times" | tail -1)
  echo "$case: panel ${median} ms after the window (median of $rounds), worst ${worst} ms"
done
