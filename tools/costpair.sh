#!/bin/bash
# costpair.sh BEFORE-PROGRAM AFTER-PROGRAM [ROUNDS] [TURNS]
# What a level-5 turn takes and costs in the real program, two builds side
# by side: runs keytoscreen on both in turn, ROUNDS times (default 5), once
# on all CPUs and once with the program pinned to CPU 0 (keytoscreen --cpus
# 0; Xvfb and keytoscreen stay unpinned), each run with TURNS turns (default
# 30), 5 s of the level-2 animation and 3 s at rest. Prints the median of
# the rounds of each figure for each build and the ratio AFTER / BEFORE.
# Alternating spreads the load of a shared machine over both builds; the
# keytoscreen used is build/keytoscreen beside this script, or $KEYTOSCREEN.
set -euo pipefail
before=$1 after=$2 rounds=${3:-5} turns=${4:-30}
keytoscreen=${KEYTOSCREEN:-$(dirname "$0")/../build/keytoscreen}
results=$(mktemp)
trap 'rm -f "$results"' EXIT
run() {  # run SIDE CPUS PROGRAM: one keytoscreen run, its figures appended to the results as "side cpus figure value"
  local pin=()
  [ "$2" = all ] || pin=(--cpus "$2")
  "$keytoscreen" "${pin[@]}" --animation 2 5 --rest 3 "$3" "$turns" |
    awk -v side="$1" -v cpus="$2" '
      /^key to screen at level 5:/ { print side, cpus, "key-to-screen-ms", $8 }
      /^CPU per turn at level 5:/ { print side, cpus, "cpu-per-turn-ms", $7 }
      /^CPU during .* animation:/ { print side, cpus, "animation-cpu-s", $(NF - 1) }
      /^CPU at rest at level 5/ { print side, cpus, "rest-cpu-s", $(NF - 1) }' >>"$results"
}
for ((i = 1; i <= rounds; ++i)); do
  for cpus in all 0; do
    if ((i % 2)); then run before $cpus "$before"; run after $cpus "$after"
    else run after $cpus "$after"; run before $cpus "$before"; fi
  done
done
echo "keytoscreen, $rounds rounds of $turns turns; medians of the rounds (cpus all: two cores; cpus 0: the program pinned to CPU 0)"
printf '%-18s %-5s %10s %10s %7s %s\n' figure cpus before after ratio runs
for figure in key-to-screen-ms cpu-per-turn-ms animation-cpu-s rest-cpu-s; do
  for cpus in all 0; do
    values() { awk -v s="$1" -v c=$cpus -v f=$figure '$1 == s && $2 == c && $3 == f { print $4 }' "$results" | sort -g; }
    median() { awk '{ v[NR] = $1 } END { if (NR) print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2); else print "-" }'; }
    mb=$(values before | median) ma=$(values after | median) n="$(values before | wc -l)/$(values after | wc -l)"
    awk -v f=$figure -v c=$cpus -v b="$mb" -v a="$ma" -v n="$n" 'BEGIN {
      r = (b + 0 > 0 && a != "-") ? sprintf("%.3f", a / b) : "-"
      printf "%-18s %-5s %10s %10s %7s %s\n", f, c, b, a, r, n }'
  done
done
