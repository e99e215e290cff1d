#!/bin/bash
# benchpair.sh BEFORE AFTER [ROUNDS] [FILTER] [REPETITIONS]
# Runs two hilbert3d-bench binaries in turn, ROUNDS times (default 6), each
# time with REPETITIONS repetitions (default 5) of the benchmarks matching
# FILTER (default LevelPicture/5), and prints the median of all repetitions
# of each and the ratio AFTER / BEFORE, of the real time and of the CPU
# time. The CPU time is the benchmark thread's alone, which a busy machine
# disturbs less but which leaves out work done on other threads (a picture's
# lines are drawn on a thread of their own): the real time is the measure.
# Alternating spreads the load of a shared machine over both.
set -euo pipefail
before=$1 after=$2 rounds=${3:-6} filter=${4:-LevelPicture/5} reps=${5:-5}
times() {  # one run: the real and CPU time of every repetition, in the bench's unit
  "$1" --benchmark_filter="$filter" --benchmark_repetitions="$reps" 2>/dev/null |
    awk -v name="$filter" '$1 == name { print $2, $4 }'
}
median() { cut -d' ' -f"$1" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
b=$(mktemp) a=$(mktemp)
trap 'rm -f "$b" "$a"' EXIT
for ((i = 1; i <= rounds; ++i)); do
  if ((i % 2)); then times "$before" >>"$b"; times "$after" >>"$a"; else times "$after" >>"$a"; times "$before" >>"$b"; fi
done
echo "$filter, $rounds rounds of $reps repetitions ($(wc -l <"$b") and $(wc -l <"$a") runs):"
for field in 1 2; do
  mb=$(median $field <"$b") ma=$(median $field <"$a")
  awk -v what="$([ $field = 1 ] && echo real || echo CPU)" -v b="$mb" -v a="$ma" \
    'BEGIN { printf "%s time: before median %s, after median %s, ratio after/before %.3f\n", what, b, a, a / b }'
done
