#!/usr/bin/env bash
# Measures tessera solve for the README: partial placements of generated puzzles and of the
# shipped one with K pieces taken out, each completed under a time limit and every solution
# checked; then the speed-up from one thread to two on a batch of K = 40 instances.
# With --whole, it measures whole boards instead: every puzzle filled from nothing by `tessera
# solve` (the fill), the gaps of GAP_K completed, and a placement left by the search repaired,
# on the tuning seeds and on the held-out seeds, each set reported apart.
# Usage: scripts/solve-bench.sh [--whole] [TESSERA] (default build/release/tessera)
# Settings for --whole: TUNE_SEEDS ("2025 1 2 3 4 5"), HELD_OUT_SEEDS ("301 ... 310"),
# WHOLE_SECONDS (120), GAP_K (80), GAP_SECONDS (60), REPAIR_SECONDS (600).
# Settings from the environment: SECONDS_EACH (60), KS ("10 20 30 40 50 60 80 100 140 209"),
# SEEDS ("1 2 3"), THREADS (all cores), BATCH_SEEDS ("1 2 3 4 5 6"), BATCH_K (40).
set -euo pipefail
cd "$(dirname "$0")/.."
whole=no
if [ "${1:-}" = --whole ]; then whole=yes; shift; fi
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

# Whole boards: "seconds full" for one run (full: yes, no, or FAULT when a board written fails
# the check). $1 the folder, then the command's own arguments.
whole_one() {
  local dir=$1 start end full=no
  shift
  rm -f "$dir/solved.txt" "$dir/repaired.txt"
  start=$(date +%s.%N)
  "$tessera" "$@" -C "$dir" --threads "$threads" --quiet >"$dir/out_whole" 2>"$dir/err_whole" || true
  end=$(date +%s.%N)
  for f in solved.txt repaired.txt; do
    [ -f "$dir/$f" ] || continue
    if "$tessera" check -C "$dir" --full "$f" >/dev/null 2>&1; then full=yes
    elif ! grep -q "full=no" "$dir/out_whole"; then full=FAULT; fi
  done
  awk -v s="$start" -v e="$end" -v ok="$full" 'BEGIN { printf "%.1f %s\n", e - s, ok }'
}

whole_table() {
  local label=$1 seeds=$2 seed dir t full filled gaps
  local whole_s=${WHOLE_SECONDS:-120} gap_k=${GAP_K:-80} gap_s=${GAP_SECONDS:-60}
  echo "$label: from nothing within ${whole_s} s; gaps of $gap_k within ${gap_s} s ($threads threads)"
  echo "| seed | from nothing | gap of $gap_k |"
  echo "|---|---|---|"
  filled=0 gaps=0
  for seed in $seeds; do
    dir="$work/whole_$seed"
    "$tessera" generate --seed "$seed" -o "$dir" --remove "$gap_k" >/dev/null
    read -r t full < <(whole_one "$dir" solve --time-limit "$whole_s")
    local a="no" b="no"
    [ "$full" = yes ] && { a="$t s"; filled=$((filled + 1)); }
    [ "$full" = FAULT ] && a=FAULT
    read -r t full < <(whole_one "$dir" solve --resume "partial_$gap_k.txt" --time-limit "$gap_s")
    [ "$full" = yes ] && { b="$t s"; gaps=$((gaps + 1)); }
    [ "$full" = FAULT ] && b=FAULT
    echo "| $seed | $a | $b |"
  done
  echo "$label: $filled of $(echo $seeds | wc -w) filled from nothing, $gaps gaps of $gap_k completed"
  echo
}

if [ $whole = yes ]; then
  whole_table "Tuning seeds" "${TUNE_SEEDS:-2025 1 2 3 4 5}"
  whole_table "Held-out seeds" "${HELD_OUT_SEEDS:-301 302 303 304 305 306 307 308 309 310}"
  # A placement the search leaves: the shipped puzzle's big.txt after 20 s with the limits on.
  mkdir -p "$work/big" && cp "$data/zdroj.txt" "$work/big/"
  "$tessera" search -C "$work/big" --limits --time-limit 20 --quiet >/dev/null 2>&1
  read -r t full < <(whole_one "$work/big" repair big.txt --time-limit "${REPAIR_SECONDS:-600}")
  echo "Repair of the shipped puzzle's big.txt ($(wc -l <"$work/big/big.txt") pieces): full=$full in $t s"
  exit 0
fi

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
