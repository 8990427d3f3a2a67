#!/usr/bin/env bash
# Passes per second of the search in the window against the command line, on the same piece
# file and the same number of passes. The runs alternate, so that both see the same load on a
# shared machine; the medians are compared, by the clock and by the CPU time each process used
# (which other work on the machine does not change).
#
#   scripts/gui_speed.sh [PIECES [PASSES [RUNS]]]    (from the top of the repository, after a build)
set -euo pipefail
TIMEFORMAT="%U %S"
build=$(realpath "${BUILD:-build/release}")
pieces=$(realpath "${1:-scripts/speed_pieces.txt}")
passes=${2:-2000000}
runs=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for _ in $(seq "$runs"); do
  start=$(date +%s.%N)
  cpu=$({ time "$build/tessera" search -C "$work" --pieces "$pieces" --first 15,27 --max-steps "$passes" --quiet \
    >/dev/null 2>&1; } 2>&1)
  end=$(date +%s.%N)
  awk -v n="$passes" -v s="$start" -v e="$end" -v c="$cpu" \
    'BEGIN { split(c, t, " "); printf "headless %.0f %.0f\n", n / (e - s), n / (t[1] + t[2]) }' >>"$work/rates"
  (cd "$work" && QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/tessera-gui-speed" "$pieces" "$passes" 15 27) |
    sed -E 's/.*\(([0-9]+) passes\/s, ([0-9]+) per CPU second\).*/window \1 \2/' >>"$work/rates"
done
median_of() { awk -v kind="$1" -v field="$2" '$1 == kind { print $field }' "$work/rates" | median; }
awk '{ printf "%-8s %9s passes/s  %9s per CPU second\n", $1, $2, $3 }' "$work/rates"
awk -v h="$(median_of headless 2)" -v w="$(median_of window 2)" -v hc="$(median_of headless 3)" \
  -v wc="$(median_of window 3)" 'BEGIN {
    printf "median: headless %.0f, window %.0f passes/s: the window makes %.1f%%\n", h, w, 100 * w / h
    printf "median per CPU second: headless %.0f, window %.0f: the window makes %.1f%%\n", hc, wc, 100 * wc / hc
  }'
