#!/usr/bin/env bash
# Runs one fuzz target for a bounded time under ASan + UBSan:
#   scripts/fuzz.sh TARGET SECONDS [extra libFuzzer options...]
# TARGET is piece_file, placement_file, params, checkpoint, manifest, unit_result, journal or
# unit_times ("all" runs each in turn). The seed corpus in
# fuzz/corpus/TARGET is read, never written: new inputs go to build/fuzz/corpus/TARGET and a
# crash to build/fuzz/artifacts/TARGET/. A crash ends the run with a non-zero status; once it is
# understood, copy the input into fuzz/corpus/TARGET/ as a regression input.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

targets=(piece_file placement_file params checkpoint manifest unit_result journal unit_times)
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET|all SECONDS [libFuzzer options...]   (targets: ${targets[*]})" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
if [ "$target" = all ]; then
  for t in "${targets[@]}"; do "$0" "$t" "$seconds" "$@"; done
  exit 0
fi
case " ${targets[*]} " in
  *" $target "*) ;;
  *) echo "unknown target '$target' (targets: ${targets[*]})" >&2; exit 2 ;;
esac

scripts/install-deps.sh
if [ ! -f build/fuzz/build.ninja ]; then cmake --preset fuzz >/dev/null; fi
cmake --build --preset fuzz --target "fuzz_$target"

work="$root/build/fuzz/corpus/$target"
artifacts="$root/build/fuzz/artifacts/$target"
mkdir -p "$work" "$artifacts"
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

# Piece files are held to 6,000 bytes: room for a line of every piece, or about 120 pieces of
# four cells. Longer ones (the whole shipped set) cost ten times a short file's time on every
# input and reach nothing more; the seed of all 209 pieces is read cut to that length, and
# the replay tests still run it whole.
max_len=12000
if [ "$target" = piece_file ]; then max_len=6000; fi

echo "fuzzing $target for $seconds s"
# The targets work in a directory of their own, so every path given here is absolute. The
# solver's own messages go to a closed standard error; sanitizer reports still get through.
status=0
"$root/build/fuzz/fuzz/fuzz_$target" \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len="$max_len" -print_final_stats=1 \
  -close_fd_mask=3 -artifact_prefix="$artifacts/" "$@" "$work" "$root/fuzz/corpus/$target" ||
  status=$?
if [ "$status" -ne 0 ]; then
  echo "fuzz target $target failed (status $status); inputs that crashed it:" >&2
  ls -l "$artifacts" >&2
  exit "$status"
fi
