#!/usr/bin/env bash
# Measures the walk, the CDCL engine and the two racing on gaps of generated puzzles (and of the
# shipped one, seed 2025), one run at a time, each under a time limit and each solution checked
# by the independent checker inside tessera_sat_bench. One line per run:
#   k=K seed=S mode=walk|sat|portfolio solved=yes|no|none engine=walk|sat|none seconds=T load=L
# (load: the machine's one-minute load average when the run started).
# Usage: scripts/sat-bench.sh [BUILD_DIR] (default build/release)
# Settings from the environment: SECONDS_EACH (60), KS ("60 80"), SEEDS ("2025 1 2 3"),
# THREADS (2), MODES ("walk sat portfolio").
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/release}")
seconds=${SECONDS_EACH:-60}
ks=${KS:-"60 80"}
seeds=${SEEDS:-"2025 1 2 3"}
threads=${THREADS:-2}
modes=${MODES:-"walk sat portfolio"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for seed in $seeds; do
  "$build/tessera" generate --seed "$seed" -o "$work/seed_$seed" --remove "$(echo $ks | tr ' ' ',')" >/dev/null
done
if [ -d "$work/seed_2025" ] && ! cmp -s "$work/seed_2025/zdroj.txt" data/zdroj.txt; then
  echo "seed 2025 no longer makes data/zdroj.txt" >&2
  exit 1
fi
for k in $ks; do
  for seed in $seeds; do
    for mode in $modes; do
      load=$(cut -d' ' -f1 /proc/loadavg)
      line=$("$build/bench/tessera_sat_bench" -C "$work/seed_$seed" --resume "partial_$k.txt" --engine "$mode" \
        --threads "$threads" --time-limit "$seconds" 2>/dev/null | tail -n 1) || true
      echo "k=$k seed=$seed mode=$mode ${line:-solved=FAULT} load=$load"
    done
  done
done
