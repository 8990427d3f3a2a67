#!/usr/bin/env bash
# Measures the search on the shipped puzzle for the README: the limit-region search after 5, 20
# and 60 seconds, and searches resumed from the partial placements over the whole board.
# Usage: scripts/measure.sh [TESSERA] (default build/release/tessera). Takes about five minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
tessera=$(realpath "${1:-build/release/tessera}")
data=$(realpath data)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "N passes in T s (P passes/s), deepest depth D, fewest unfilled region cells U"
field() { sed -nE "s|.*$1.*|\\1|p" "$2" | head -n 1; }

echo "| time limit | passes | passes per second | deepest depth | unfilled region cells in big.txt |"
echo "|---|---|---|---|---|"
for seconds in 5 20 60; do
  dir="$work/limits_$seconds"; mkdir -p "$dir"; cp "$data/zdroj.txt" "$dir/"
  "$tessera" search -C "$dir" --limits --time-limit "$seconds" >"$dir/out" 2>"$dir/err"
  echo "| ${seconds} s | $(field '^([0-9]+) passes' "$dir/err") | $(field '\(([0-9]+) passes/s' "$dir/err") |" \
       "$(field 'deepest depth ([0-9]+)' "$dir/err") | $(field 'unfilled region cells ([0-9]+)' "$dir/err") |"
done

echo
echo "| resumed from | completed | passes | seconds |"
echo "|---|---|---|---|"
for k in 1 2 3 6; do
  dir="$work/partial_$k"; mkdir -p "$dir"; cp "$data/zdroj.txt" "$data/partial_$k.txt" "$dir/"
  "$tessera" search -C "$dir" --resume "partial_$k.txt" --end 31,54 --margin-end 0,0 --time-limit 60 \
    >"$dir/out" 2>"$dir/err"
  if head -n 1 "$dir/out" | grep -q "Tak a je to tam"; then done_text="yes ($(head -n 1 "$dir/out" | cut -d' ' -f6-))"; else done_text="no"; fi
  echo "| partial_$k | $done_text | $(field '^([0-9]+) passes' "$dir/err") | $(field 'passes in ([0-9.]+) s' "$dir/err") |"
done
