#!/bin/bash
# The load part of relivox-batch (no -o: read, digest, tile, mosaic) on one
# 30 MB tile of 1000 x 1000 points against md5sum plus cat of the same file,
# measured alternately in the same run; medians of RUNS runs.
#
#   bench/reader-load.sh [path/to/relivox-batch] [RUNS]
set -euo pipefail
batch=${1:-build/app/relivox-batch}
runs=${2:-9}
work=$(mktemp -d "${TMPDIR:-/tmp}/reader-load.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Lines like "356000.00,5645000.00,123.45".
awk 'BEGIN { for (j = 0; j < 1000; j++) for (i = 0; i < 1000; i++)
  printf "%d.00,%d.00,%d.%02d\n", 356000 + i, 5645000 + j, 100 + (i * 7 + j) % 57, (i + j) % 100 }' \
  > "$work/tile.xyz"
cat "$work/tile.xyz" > /dev/null  # into the page cache

seconds() {  # runs "$@" quietly; prints wall and CPU (user + system) seconds
  local TIMEFORMAT="%3R %3U %3S"
  { time "$@" > /dev/null 2>&1; } 2>&1 | awk '{ print $1, $2 + $3 }'
}
md5_and_cat() { md5sum "$1" && cat "$1"; }
median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.4f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: > "$work/load"; : > "$work/base"
for ((r = 0; r < runs; r++)); do
  seconds "$batch" "$work/tile.xyz" >> "$work/load"
  seconds md5_and_cat "$work/tile.xyz" >> "$work/base"
done
load=$(cut -d' ' -f1 "$work/load" | median); loadcpu=$(cut -d' ' -f2 "$work/load" | median)
base=$(cut -d' ' -f1 "$work/base" | median); basecpu=$(cut -d' ' -f2 "$work/base" | median)
echo "tile: $(stat -c %s "$work/tile.xyz") bytes, $runs runs, medians (wall, CPU)"
echo "relivox-batch (load)  ${load} s  ${loadcpu} s CPU"
echo "md5sum + cat          ${base} s  ${basecpu} s CPU"
echo "ratio                 $(echo "$load / $base" | bc -l | cut -c1-5)  (goal: at most 2; CPU $(echo "$loadcpu / $basecpu" | bc -l | cut -c1-5))"
