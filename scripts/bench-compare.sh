#!/usr/bin/env bash
# Speed of the search in two revisions, side by side on the same load:
#
#   scripts/bench-compare.sh REV [REV2]    (from the top of the repository)
#
# Builds REV and REV2 (default: the working tree, as it is) each in a temporary folder, then
# runs `tessera bench` of both, alternately, RUNS times (default 5) on the shipped puzzle with
# and without limits and on a small piece set (scripts/speed_pieces.txt), and prints the median
# passes per second of each, their ratio (new / old) and whether the signatures of the order
# of tries agree. Passes per second are counted on the CPU time of each run (start-up
# included), which other work on a shared machine disturbs far less than the time on the
# clock. The piece files are those of the working tree, so both read the same input.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 REV [REV2]" >&2
  exit 2
fi
old_rev=$1
new_rev=${2:-}
runs=${RUNS:-5}
passes=${PASSES:-200000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Puts the sources of a revision (or of the working tree) into a folder and builds tessera there.
build() {
  local rev=$1 dir=$2
  mkdir -p "$dir/src"
  if [ -z "$rev" ]; then
    git ls-files -co --exclude-standard -z | tar -c --null -T - | tar -x -C "$dir/src"
  else
    git archive "$rev" | tar -x -C "$dir/src"
  fi
  cmake -S "$dir/src" -B "$dir/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSERA_GUI=OFF -DTESSERA_TESTS=OFF \
    -DTESSERA_BENCH=OFF >"$dir/build.log" 2>&1 &&
    cmake --build "$dir/build" --target tessera >>"$dir/build.log" 2>&1 ||
    { echo "building ${rev:-the working tree} failed; see the log:" >&2; tail -n 20 "$dir/build.log" >&2; exit 1; }
}

echo "building $old_rev and ${new_rev:-the working tree} ..." >&2
build "$old_rev" "$work/old"
build "$new_rev" "$work/new"

sets=("shipped puzzle, limits|$root/data/zdroj.txt|" "shipped puzzle, no limits|$root/data/zdroj.txt|--no-limits"
      "small set (scripts/speed_pieces.txt)|$root/scripts/speed_pieces.txt|")
field() { sed -nE "s/.*$1=([^ ]+).*/\\1/p"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

mkdir -p "$work/run"
for n in "${!sets[@]}"; do
  IFS='|' read -r _ pieces flags <<<"${sets[$n]}"
  for _ in $(seq "$runs"); do
    for side in old new; do
      TIMEFORMAT='cpu=%3U+%3S'
      # shellcheck disable=SC2086
      { time "$work/$side/build/tessera" bench -C "$work/run" --pieces "$pieces" --passes "$passes" $flags \
          >"$work/line"; } 2>"$work/cpu"
      cpu=$(sed -nE 's/cpu=([0-9.]+)\+([0-9.]+)/\1 \2/p' "$work/cpu" | awk '{ print $1 + $2 }')
      ran=$(field passes <"$work/line")
      echo "$(cat "$work/line") cpu_passes_per_second=$(awk -v p="$ran" -v c="$cpu" 'BEGIN { print p / c }')" \
        >>"$work/$side.$n.out"
    done
  done
done

echo "| workload | $old_rev passes/s | ${new_rev:-working tree} passes/s | ratio | signatures |"
echo "|---|---|---|---|---|"
for n in "${!sets[@]}"; do
  IFS='|' read -r name _ _ <<<"${sets[$n]}"
  old=$(field cpu_passes_per_second <"$work/old.$n.out" | median)
  new=$(field cpu_passes_per_second <"$work/new.$n.out" | median)
  old_sig=$(field signature <"$work/old.$n.out" | sort -u)
  new_sig=$(field signature <"$work/new.$n.out" | sort -u)
  if [ "$old_sig" = "$new_sig" ] && [ "$(wc -w <<<"$old_sig")" -eq 1 ]; then
    agree="equal ($old_sig)"
  else
    agree="DIFFER ($old_sig / $new_sig)"
  fi
  ratio=$(awk -v a="$old" -v b="$new" 'BEGIN { print b / a }')
  printf '| %s | %.0f | %.0f | %.2f | %s |\n' "$name" "$old" "$new" "$ratio" "$agree"
done
