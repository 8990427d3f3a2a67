#!/usr/bin/env bash
# Passes per second of the search in the window against the command line, on the same piece
# file and the same number of passes. The runs alternate, so that both see the same load on a
# shared machine; the medians are compared.
#
#   tools/gui_speed.sh [PIECES [PASSES [RUNS]]]    (from the top of the repository, after a build)
set -euo pipefail
build=$(realpath "${BUILD:-build/release}")
pieces=$(realpath "${1:-tools/speed_pieces.txt}")
passes=${2:-2000000}
runs=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for _ in $(seq "$runs"); do
  start=$(date +%s.%N)
  "$build/tessera" search -C "$work" --pieces "$pieces" --first 15,27 --max-steps "$passes" --quiet >/dev/null
  end=$(date +%s.%N)
  awk -v n="$passes" -v s="$start" -v e="$end" 'BEGIN { printf "headless %.0f\n", n / (e - s) }' >>"$work/rates"
  (cd "$work" && QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/tessera-gui-speed" "$pieces" "$passes" 15 27) |
    sed -E 's/.*\(([0-9]+) passes\/s\).*/window \1/' >>"$work/rates"
done
headless=$(awk '$1 == "headless" { print $2 }' "$work/rates" | median)
window=$(awk '$1 == "window" { print $2 }' "$work/rates" | median)
awk '{ printf "%-8s %s passes/s\n", $1, $2 }' "$work/rates"
awk -v h="$headless" -v w="$window" \
  'BEGIN { printf "median: headless %.0f, window %.0f passes/s: the window makes %.1f%%\n", h, w, 100 * w / h }'
