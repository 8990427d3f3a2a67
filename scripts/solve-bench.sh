#!/usr/bin/env bash
# Measures tessera solve for the README: partial placements of generated puzzles and of the
# shipped one with K pieces taken out, each completed under a time limit and every solution
# checked; then the speed-up from one thread to two on a batch of K = 40 instances.
# Usage: scripts/solve-bench.sh [TESSERA] (default build/release/tessera)
# Settings from the environment: SECONDS_EACH (60), KS ("10 20 30 40 50 60 80 100 140 209"),
# SEEDS ("1 2 3"), THREADS (all cores), BATCH_SEEDS ("1 2 3 4 5 6"), BATCH_K (40).
set -euo pipefail
cd "$(dirname "$0")/.."
tessera=$(realpath "${1:-build/release/tessera}")
data=$(realpath data)
seconds=${SECONDS_EACH:-60}
ks=${KS:-"10 20 30 40 50 60 80 100 140 209"}
seeds=${SEEDS:-"1 2 3"}
threads=${THREADS:-$(nproc)}
batch_seeds=${BATCH_SEEDS:-"1 2 3 4 5 6"}
batch_k=${BATCH_K:-40}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The shipped puzzle is the generator's seed 2025: its partial placements for any K come from the
# generator itself (checked against data/zdroj.txt).
make_puzzles() {
  "$tessera" generate --seed 2025 -o "$work/shipped" --remove "$(echo $ks | tr ' ' ',')" >/dev/null
  cmp -s "$work/shipped/zdroj.txt" "$data/zdroj.txt" || { echo "seed 2025 no longer makes data/zdroj.txt" >&2; exit 1; }
  for seed in $seeds $batch_seeds; do
    [ -d "$work/seed_$seed" ] && continue
    "$tessera" generate --seed "$seed" -o "$work/seed_$seed" --remove "$(echo $ks $batch_k | tr ' ' ',')" >/dev/null
  done
}

# One completion: prints "seconds nodes nodes_per_second solved" (solved: yes, no, or FAULT when
# the written solution fails the check).
complete_one() {
  local dir=$1 k=$2 n=$3 start end out
  rm -f "$dir/solved.txt"
  start=$(date +%s.%N)
  "$tessera" solve -C "$dir" --resume "partial_$k.txt" --time-limit "$seconds" --threads "$n" -o solved.txt \
    >"$dir/out_$k" 2>"$dir/err_$k" || true
  end=$(date +%s.%N)
  out=$(tail -n 1 "$dir/out_$k")
  local solved=no
  if [ -f "$dir/solved.txt" ]; then
    if "$tessera" check -C "$dir" --full solved.txt >/dev/null; then solved=yes; else solved=FAULT; fi
  fi
  local nodes=${out#*nodes=}; nodes=${nodes%% *}
  awk -v s="$start" -v e="$end" -v n="$nodes" -v ok="$solved" 'BEGIN { t = e - s; printf "%.2f %d %.0f %s\n", t, n, n / t, ok }'
}

make_puzzles
puzzles="shipped"
for seed in $seeds; do puzzles="$puzzles seed_$seed"; done

echo "Each cell: seconds to the first solution (checked with tessera check --full), or \"no\" when none"
echo "within ${seconds} s; nodes per second in brackets. $threads threads, $(nproc) cores."
echo
printf "| K |"; for p in $puzzles; do printf " %s |" "$p"; done; echo
printf "|---|"; for p in $puzzles; do printf -- "---|"; done; echo
for k in $ks; do
  printf "| %s |" "$k"
  for p in $puzzles; do
    read -r t nodes rate solved < <(complete_one "$work/$p" "$k" "$threads")
    if [ "$solved" = yes ]; then printf " %s s (%s/s) |" "$t" "$rate"; else printf " %s (%s/s) |" "$solved" "$rate"; fi
  done
  echo
done

echo
echo "Batch of K = $batch_k on seeds $batch_seeds, one after another:"
for n in 1 2; do
  total=0
  for seed in $batch_seeds; do
    read -r t nodes rate solved < <(complete_one "$work/seed_$seed" "$batch_k" "$n")
    total=$(awk -v a="$total" -v b="$t" 'BEGIN { print a + b }')
  done
  echo "threads $n: $total s in all"
  eval "total_$n=$total"
done
awk -v a="$total_1" -v b="$total_2" 'BEGIN { printf "speed-up 1 -> 2 threads: %.2f\n", a / b }'
