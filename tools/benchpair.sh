#!/bin/bash
# benchpair.sh BEFORE AFTER [ROUNDS] [FILTER] [REPETITIONS]
# Runs two hilbert3d-bench binaries in turn, ROUNDS times (default 6), each
# time with REPETITIONS repetitions (default 5) of the benchmarks matching
# FILTER (default LevelPicture/5), and prints the median of all repetitions
# of each and the ratio AFTER / BEFORE, of the real time and of the CPU
# time. Benchmarks that draw on a second thread measure the whole process's
# CPU time (their names end in /process_time/real_time, which is dropped
# here, so the same FILTER finds them in builds from before that change);
# a bench without it reports its benchmark thread's CPU alone, which is the
# process's only where the picture runs on one thread, as in the builds
# before the drawing thread. The script says which kind each side has.
# Alternating spreads the load of a shared machine over both.
set -euo pipefail
before=$1 after=$2 rounds=${3:-6} filter=${4:-LevelPicture/5} reps=${5:-5}
times() {  # one run: the real and CPU time of every repetition, in the bench's unit, and the CPU's kind
  "$1" --benchmark_filter="$filter" --benchmark_repetitions="$reps" 2>/dev/null |
    awk -v name="$filter" '{ n = $1; p = sub("/process_time", "", n); sub("/real_time", "", n) }
      n == name { print $2, $4, (p ? "process" : "thread") }'
}
median() { cut -d' ' -f"$1" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
kind() { cut -d' ' -f3 "$1" | sort -u | paste -sd/; }
b=$(mktemp) a=$(mktemp)
trap 'rm -f "$b" "$a"' EXIT
for ((i = 1; i <= rounds; ++i)); do
  if ((i % 2)); then times "$before" >>"$b"; times "$after" >>"$a"; else times "$after" >>"$a"; times "$before" >>"$b"; fi
done
if [ ! -s "$b" ] || [ ! -s "$a" ]; then
  echo "benchpair: no $filter in the output of $([ -s "$b" ] && echo "$after" || echo "$before")" >&2
  exit 1
fi
echo "$filter, $rounds rounds of $reps repetitions ($(wc -l <"$b") and $(wc -l <"$a") runs):"
for field in 1 2; do
  mb=$(median $field <"$b") ma=$(median $field <"$a")
  awk -v what="$([ $field = 1 ] && echo "real time" || echo "CPU time ($(kind "$b") before, $(kind "$a") after)")" \
    -v b="$mb" -v a="$ma" 'BEGIN { printf "%s: before median %s, after median %s, ratio after/before %.3f\n", what, b, a, a / b }'
done
