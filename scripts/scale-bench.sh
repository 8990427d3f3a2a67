#!/usr/bin/env bash
# Instances solved per hour on this machine, three ways, on a batch of generated puzzles whose
# partial placements each take 1 to 10 s to count for one process:
#   single  tessera solve --count --threads 1, one instance after another
#   twin    the same, each instance solved twice at once by two such processes (counted twice):
#           what two processes that share nothing reach on this machine, the ceiling of the rest
#   mpiN    mpirun -np N tessera-mpi solve --count, one instance after another (rank 0 searches too)
#   mpiNd   the same with --dispatch-only (rank 0 only hands out units)
#   mpiNb   mpirun -np N tessera-mpi batch: one job solves every instance, one after another
#   slurm   each instance split into units with --slurm, the arrays of the whole batch submitted
#           to a single-node cluster (tests/slurm/slurm-cluster.sh), then every instance merged
#   slurmbatch  the same units, run by one array of one task per CPU for the whole batch (the
#           first instance's job.sbatch, given the other split folders)
# Every count is compared with the single process's. Counting, not a first solution: the time
# to a first solution swings by orders of magnitude with the order of tries, a count does not.
#
#   scripts/scale-bench.sh [BUILD_DIR]          (default build/release)
#
# Environment:
#   INSTANCES   "SEED:K ..." puzzles of `tessera generate --seed SEED --remove K` (default below)
#   MODES       the runs to make, in order (default "single twin mpi2 mpi2b slurm slurmbatch")
#   MPI_ARGS    extra mpirun options (default: the shared-memory transport, no UCX probing)
#   UNITS       split --units for each instance in the slurm modes (default 8: a unit costs its
#               files and a start of the search; 16 made that cost more than the balance gained)
#   PER_TASK    split --units-per-task of the slurm mode: its arrays have one task per this many
#               units (default 8)
#   WORK        the working folder (default: a new one under /tmp, removed at the end)
set -euo pipefail

build=$(realpath "${1:-build/release}")
tessera=$build/tessera
mpi=$build/tessera-mpi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
instances=${INSTANCES:-"3:24 5:34 6:30 7:32 8:40 10:32 11:36 12:32 14:33 15:30 18:30 21:30 28:30 29:30 35:30 40:30 42:30 47:30 48:33 49:30 51:33 55:33 58:30"}
modes=${MODES:-"single twin mpi2 mpi2b slurm slurmbatch"}
mpi_args=${MPI_ARGS:-"--mca pml ob1 --mca btl self,vader"}
units=${UNITS:-8}
per_task=${PER_TASK:-8}
work=${WORK:-}
keep=${work:+yes}
[ -n "$work" ] || work=$(mktemp -d /tmp/tessera-scale-XXXXXX)
mkdir -p "$work"
work=$(realpath "$work")
# The cluster, if one was started, is stopped however the script ends.
trap '[ ! -f "$work/cluster/slurm.conf" ] || "$here/tests/slurm/slurm-cluster.sh" stop "$work/cluster"
      [ -n "$keep" ] || rm -rf "$work"' EXIT
cd "$work"
declare -A single_count

now() { date +%s.%N; }

# Makes every instance's folder: gen_SEED_K/zdroj.txt and partial_K.txt.
generate() {
    local seed k
    for pair in $instances; do
        seed=${pair%%:*} k=${pair##*:}
        [ -f "gen_${seed}_$k/partial_$k.txt" ] ||
            "$tessera" generate --seed "$seed" -o "gen_${seed}_$k" --remove "$k" >/dev/null
    done
}

problem() { # SEED K
    echo "--pieces gen_$1_$2/zdroj.txt --resume gen_$1_$2/partial_$2.txt --count"
}

# The count of one summary line, compared with the single process's (which it sets first).
check_count() { # MODE PAIR OUTPUT
    local count=${3%% tilings=*}
    count=${count%% nodes=*}
    if [ "$1" = single ]; then
        single_count[$2]=$count
    elif [ "${single_count[$2]:-}" != "" ] && [ "${single_count[$2]}" != "$count" ]; then
        echo "FAIL: $1 on $2 counted '$count', one process '${single_count[$2]}'" >&2
        exit 1
    fi
}

run_one() { # MODE SEED K
    local mode=$1 seed=$2 k=$3 np flags out
    case $mode in
    single) "$tessera" solve $(problem "$seed" "$k") --threads 1 --quiet ;;
    twin)
        "$tessera" solve $(problem "$seed" "$k") --threads 1 --quiet >/dev/null &
        "$tessera" solve $(problem "$seed" "$k") --threads 1 --quiet
        wait
        ;;
    mpi*)
        np=${mode#mpi} flags=""
        [ "${np%d}" != "$np" ] && np=${np%d} flags=--dispatch-only
        out=journal_${mode}_${seed}_$k.txt
        rm -f "$out"
        # shellcheck disable=SC2086
        mpirun --oversubscribe $([ "$(id -u)" -eq 0 ] && echo --allow-run-as-root) $mpi_args -np "$np" \
            "$mpi" solve $(problem "$seed" "$k") --quiet $flags --journal "$out" 2>/dev/null
        ;;
    esac
}

# mpiNb: one `tessera-mpi batch` job over a list of every instance; its summary lines follow
# the list's order.
mpi_batch() { # MODE
    local np=${1#mpi} started out pair
    np=${np%b}
    rm -f mpi_journal_*.txt
    for pair in $instances; do echo "$(problem "${pair%%:*}" "${pair##*:}") --quiet"; done >batch_list.txt
    started=$(now)
    # shellcheck disable=SC2086
    out=$(mpirun --oversubscribe $([ "$(id -u)" -eq 0 ] && echo --allow-run-as-root) $mpi_args -np "$np" \
        "$mpi" batch batch_list.txt 2>/dev/null | grep '^solutions=')
    report "$1" "$started" "$(now)"
    for pair in $instances; do
        check_count "$1" "$pair" "$(head -n 1 <<<"$out")"
        out=$(tail -n +2 <<<"$out")
    done
}

split_all() {
    local seed k dir
    for pair in $instances; do
        seed=${pair%%:*} k=${pair##*:} dir=$work/units_${seed}_$k
        rm -rf "$dir"
        # shellcheck disable=SC2046
        "$tessera" split $(problem "$seed" "$k") --units "$units" --units-per-task "$per_task" --slurm -o "$dir" \
            >/dev/null
    done
}

wait_for_jobs() { # JOB...
    local ids
    ids=$(IFS=,; echo "$*")
    while [ -n "$(squeue -h -j "$ids" 2>/dev/null)" ]; do sleep 0.1; done
}

# Waits for every unit of the split folders to have its result, looking at the files: squeue many
# times a second costs the controller and munged CPU that the tasks need (about 8 % more unit
# seconds when this bench polled it every 0.1 s). Then for the jobs to end; also when a task
# failed without a result.
wait_for_units() { # JOBS DIR...
    local jobs=$1 dir unit polls=0
    shift
    for dir in "$@"; do
        for unit in "$dir"/unit_[0-9][0-9][0-9][0-9][0-9][0-9].txt; do
            while [ ! -f "${unit%.txt}.result" ]; do
                sleep 0.1
                polls=$((polls + 1))
                [ $((polls % 20)) -ne 0 ] || [ -n "$(squeue -h -j "$jobs" 2>/dev/null)" ] || break 3
            done
        done
    done
    wait_for_jobs "$jobs"
}

merge_all() { # MODE START
    local seed k
    for pair in $instances; do
        seed=${pair%%:*} k=${pair##*:}
        check_count "$1" "$pair" "$("$tessera" merge "$work/units_${seed}_$k" | tail -n 1)"
    done
    report "$1" "$2" "$(now)"
}

# slurm: every instance's own job.sbatch (as split writes it), all submitted at once.
slurm_arrays() {
    local started jobs=()
    split_all
    started=$(now)
    for pair in $instances; do
        jobs+=("$(sbatch --parsable "$work/units_${pair%%:*}_${pair##*:}/job.sbatch")")
    done
    wait_for_units "$(IFS=,; echo "${jobs[*]}")" "$work"/units_*
    merge_all slurm "$started"
}

# slurmbatch: one array of one task per CPU for the whole batch: the first instance's job.sbatch
# with every other split folder as its arguments, so that each task claims units across all the
# instances and the scheduler starts tasks once instead of once per group of units.
slurm_batch() {
    local started dirs=() first
    split_all
    for pair in $instances; do dirs+=("$work/units_${pair%%:*}_${pair##*:}"); done
    first=${dirs[0]}
    started=$(now)
    wait_for_units "$(sbatch --parsable --array=1-"$(nproc)" "$first/job.sbatch" "${dirs[@]:1}")" "${dirs[@]}"
    merge_all slurmbatch "$started"
}

report() { # MODE START END
    local n seconds rate
    n=$(wc -w <<<"$instances")
    [ "$1" != twin ] || n=$((n * 2))
    seconds=$(echo "$3 - $2" | bc -l)
    rate=$(echo "$n * 3600 / $seconds" | bc -l)
    [ "$1" = single ] && single_rate=$rate
    printf '%-8s instances=%d seconds=%.2f per_hour=%.0f ratio=%.2f load=%s\n' "$1" "$n" "$seconds" "$rate" \
        "$(echo "$rate / ${single_rate:-$rate}" | bc -l)" "$(cut -d' ' -f1 /proc/loadavg)"
}

cluster_up=
generate
echo "instances: $instances (seed:K), build $build, load $(cut -d' ' -f1-3 /proc/loadavg)"
for mode in $modes; do
    if [ "${mode#slurm}" != "$mode" ]; then
        if [ -z "$cluster_up" ]; then
            cluster_up=yes
            "$here/tests/slurm/slurm-cluster.sh" start "$work/cluster" >/dev/null
            export SLURM_CONF=$work/cluster/slurm.conf
            # A cluster just started takes its first job about 3 s after the submission, later
            # ones within its pass of a second: one job of nothing first, as on a running cluster.
            wait_for_jobs "$(sbatch --parsable --output=/dev/null --wrap true)"
        fi
        if [ "$mode" = slurm ]; then slurm_arrays; else slurm_batch; fi
        continue
    fi
    if [ "${mode%b}" != "$mode" ]; then
        mpi_batch "$mode"
        continue
    fi
    started=$(now)
    for pair in $instances; do
        check_count "$mode" "$pair" "$(run_one "$mode" "${pair%%:*}" "${pair##*:}")"
    done
    report "$mode" "$started" "$(now)"
done
