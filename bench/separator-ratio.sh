#!/bin/bash
# relivox-batch -s blank on a 30 MB blank-separated tile against the same
# points comma-separated (the default), measured alternately in the same
# run; medians of RUNS runs.
#
#   bench/separator-ratio.sh [path/to/relivox-batch] [RUNS]
set -euo pipefail
batch=${1:-build/app/relivox-batch}
runs=${2:-9}
work=$(mktemp -d "${TMPDIR:-/tmp}/separator-ratio.XXXXXX")
trap 'rm -rf "$work"' EXIT

for sep in comma blank; do
  awk -v s="$([ $sep = blank ] && echo ' ' || echo ',')" \
    'BEGIN { for (j = 0; j < 1000; j++) for (i = 0; i < 1000; i++)
      printf "%d.00%s%d.00%s%d.%02d\n", 356000 + i, s, 5645000 + j, s, 100 + (i * 7 + j) % 57, (i + j) % 100 }' \
    > "$work/$sep.xyz"
  cat "$work/$sep.xyz" > /dev/null
done

seconds() {  # runs "$@" quietly; prints wall and CPU (user + system) seconds
  local TIMEFORMAT="%3R %3U %3S"
  { time "$@" > /dev/null 2>&1; } 2>&1 | awk '{ print $1, $2 + $3 }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.4f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: > "$work/comma.t"; : > "$work/blank.t"
for ((r = 0; r < runs; r++)); do
  seconds "$batch" "$work/comma.xyz" >> "$work/comma.t"
  seconds "$batch" -s blank "$work/blank.xyz" >> "$work/blank.t"
done
comma=$(cut -d' ' -f1 "$work/comma.t" | median); commacpu=$(cut -d' ' -f2 "$work/comma.t" | median)
blank=$(cut -d' ' -f1 "$work/blank.t" | median); blankcpu=$(cut -d' ' -f2 "$work/blank.t" | median)
echo "tiles: $(stat -c %s "$work/comma.xyz") bytes each, $runs runs, medians (wall, CPU)"
echo "comma (default)  ${comma} s  ${commacpu} s CPU"
echo "-s blank         ${blank} s  ${blankcpu} s CPU"
echo "ratio            $(echo "$blank / $comma" | bc -l | cut -c1-5)  (goal: at most 1.1; CPU $(echo "$blankcpu / $commacpu" | bc -l | cut -c1-5))"
