#!/usr/bin/env bash
# tessera-mpi on three ranks of this machine: its count equals one `tessera solve --count`, also
# for each problem of a batch and with --dispatch-only; the time limit and SIGTERM to rank 0 end
# a job that --continue completes; a rank killed mid-run makes the job fail loudly, and the run
# again with --continue completes the count from the journal.
#
#   mpi-solve.sh TESSERA TESSERA_MPI DATA_DIR
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ $# -eq 3 ] || { echo "usage: $0 TESSERA TESSERA_MPI DATA_DIR" >&2; exit 2; }
tessera=$(realpath "$1") mpi=$(realpath "$2") data=$(realpath "$3")
work=$(mktemp -d /tmp/tessera-mpi-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
# The shipped solution less its last 58 pieces: about three seconds of search on one core.
head -n 151 "$data/solution.txt" >partial.txt
problem=(--pieces "$data/zdroj.txt" --resume partial.txt --count)
mpirun=(mpirun --oversubscribe --allow-run-as-root -np 3)
[ "$(id -u)" -eq 0 ] || mpirun=(mpirun --oversubscribe -np 3)

single=$("$tessera" solve "${problem[@]}" --quiet --threads 1)
single=${single%% tilings=*}
echo "single: $single"

out=$("${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --journal one.txt)
echo "mpi: $out"
[ "${out%% tilings=*}" = "$single" ] || fail "tessera-mpi counted '$out', not '$single'"
grep -q "complete=yes" <<<"$out" || fail "tessera-mpi did not complete"

# A batch: two problems in one job, each counted as one solve counts it; a line with an unknown
# option is named and skipped, and makes the exit status 2.
head -n 189 "$data/solution.txt" >small.txt
small=$("$tessera" solve --pieces "$data/zdroj.txt" --resume small.txt --count --quiet --threads 1)
printf '%s\n' "# two problems" "${problem[*]} --quiet" "--resume small.txt --bogus" \
    "--pieces $data/zdroj.txt --resume small.txt --count --quiet" >list.txt
status=0
out=$("${mpirun[@]}" "$mpi" batch list.txt 2>batch.err) || status=$?
echo "batch: $out (exit $status)"
[ "$status" -eq 2 ] || fail "the batch with a bad line exited $status, not 2"
grep -q "^list.txt:3: " batch.err || fail "the bad line of the batch is not named: $(cat batch.err)"
counts=$(grep '^solutions=' <<<"$out" | sed 's/ tilings=.*//' | tr '\n' ' ')
[ "$counts" = "$single ${small%% tilings=*} " ] || fail "the batch counted '$counts', not '$single ${small%% tilings=*}'"

# The time limit ends the job cleanly (about 3 s of search cannot be done in half a second on
# two cores): complete=no and exit status 3, as solve when stopped; --continue then completes.
status=0
out=$("${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --journal limited.txt --time-limit 0.5 2>/dev/null) || status=$?
echo "time limit: $out (exit $status)"
[ "$status" -eq 3 ] || fail "the job at its time limit exited $status, not 3"
grep -q "complete=no" <<<"$out" || fail "the job at its time limit does not say complete=no"
cp limited.txt limited.copy
out=$("${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --journal limited.txt --continue)
[ "${out%% tilings=*}" = "$single" ] || fail "the job continued after its time limit counted '$out', not '$single'"
[ ! -e limited.txt ] || fail "the journal of a job that completed is still there"

# The journal as a kill may leave it: cut inside the header, inside the first split, after it,
# and inside the record after it. Each continues to the single count.
header=$(head -n 2 limited.copy | wc -c)
split_end=$(head -n 3 limited.copy | wc -c)
for cut in 10 $((header + 40)) "$split_end" $((split_end + 25)); do
    head -c "$cut" limited.copy >cut.txt
    out=$("${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --journal cut.txt --continue)
    [ "${out%% tilings=*}" = "$single" ] || fail "the journal cut at byte $cut continued to '$out', not '$single'"
done
echo "cut journals: each continued to the single count"

# A journal that cannot be written (a full disk: a small tmpfs, where one can be mounted) ends the
# job with one line and exit status 1; what it holds, a record cut short at its end, still
# continues to the single count.
mkdir -p small
if mount -t tmpfs -o size=16k tessera-small small 2>/dev/null; then
    trap 'umount "$work/small" 2>/dev/null || true; rm -rf "$work"' EXIT
    dd if=/dev/zero of=small/filler bs=1k count=12 2>/dev/null || true
    status=0
    "${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --units 300 --journal small/j.txt >small.out 2>small.err ||
        status=$?
    [ "$status" -eq 1 ] || fail "the job whose journal could not be written exited $status, not 1"
    grep -q "small/j.txt: cannot be written (No space left on device); the job ends" small.err ||
        fail "the failed journal write was not reported: $(cat small.err)"
    cp small/j.txt full-disk.txt
    umount small
    out=$("${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --journal full-disk.txt --continue)
    [ "${out%% tilings=*}" = "$single" ] || fail "the job continued after a failed journal write counted '$out'"
    echo "full disk: the job ended with exit 1, and its journal continued to the single count"
else
    echo "full disk: skipped (no tmpfs can be mounted here)"
fi

# The journal and the solution file are tried before the job starts.
mkdir -p folder
status=0
"${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --journal folder 2>folder.err >/dev/null || status=$?
[ "$status" -eq 2 ] || fail "a folder as the journal gave exit status $status, not 2"
grep -q "^--journal: cannot write 'folder' (a folder)$" folder.err || fail "a folder as the journal: $(cat folder.err)"

# Rank 0 only hands out units: the same count. SIGTERM to rank 0 ends the job as its time
# limit does (exit 3, complete=no), and --continue completes it.
out=$("${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --journal dispatch.txt --dispatch-only)
[ "${out%% tilings=*}" = "$single" ] || fail "tessera-mpi --dispatch-only counted '$out', not '$single'"
"${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --journal termed.txt >termed.out 2>/dev/null &
job=$!
rank0=""
for _ in $(seq 1 100); do
    for pid in $(pgrep -P "$job" || true); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx 'OMPI_COMM_WORLD_RANK=0'; then rank0=$pid; fi
    done
    [ -n "$rank0" ] && [ -s termed.txt ] && break
    sleep 0.05
done
[ -n "$rank0" ] || fail "rank 0 was not found"
kill -TERM "$rank0"
status=0
wait "$job" || status=$?
echo "SIGTERM to rank 0: $(cat termed.out) (exit $status)"
[ "$status" -eq 3 ] || fail "the job whose rank 0 got SIGTERM exited $status, not 3"
grep -q "complete=no" termed.out || fail "the job whose rank 0 got SIGTERM does not say complete=no"
out=$("${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --journal termed.txt --continue)
[ "${out%% tilings=*}" = "$single" ] || fail "the job continued after SIGTERM counted '$out', not '$single'"

# Rank 1 is killed once a few units are done.
"${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --units 200 --journal two.txt >killed.out 2>killed.err &
job=$!
victim=""
for _ in $(seq 1 300); do
    finished=$(grep -c '^done' two.txt 2>/dev/null) || finished=0
    if [ -z "$victim" ] && [ "$finished" -ge 3 ]; then
        for pid in $(pgrep -P "$job" || true); do
            if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx 'OMPI_COMM_WORLD_RANK=1'; then victim=$pid; fi
        done
        [ -n "$victim" ] && kill -KILL "$victim"
    fi
    kill -0 "$job" 2>/dev/null || break
    sleep 0.05
done
status=0
wait "$job" || status=$?
[ -n "$victim" ] || fail "no rank was killed (the job ended first?)"
[ "$status" -ne 0 ] || fail "the job with a killed rank exited 0"
grep -q "complete=yes" killed.out && fail "the job with a killed rank says complete"
[ -s killed.err ] || fail "the job with a killed rank said nothing"
echo "killed rank $victim: the job exited $status"

out=$("${mpirun[@]}" "$mpi" solve "${problem[@]}" --quiet --journal two.txt --continue)
echo "continued: $out"
[ "${out%% tilings=*}" = "$single" ] || fail "the continued job counted '$out', not '$single'"
grep -q "complete=yes" <<<"$out" || fail "the continued job did not complete"
echo "PASS: tessera-mpi counts as one solve does, and a killed job continues to the same count"
