#!/usr/bin/env bash
# A split's job array on a real single-node cluster (slurm-cluster.sh): the merged count equals
# the count of one `tessera solve`, also when one array task is cancelled and is
# then submitted again alone.
#
#   units-on-slurm.sh TESSERA DATA_DIR
#
# Exit status 77 (skipped) without root or without the slurm-wlm and munge packages.
set -euo pipefail

source "$(dirname "$0")/test-lib.sh"

inside_cluster() {
    local tessera=$1 data=$2 work=$3 split=$3/split job single merged status
    local problem=(--pieces "$data/zdroj.txt" --resume "$data/partial_20.txt" --count)
    single=$("$tessera" solve "${problem[@]}" --quiet)
    single=${single%% tilings=*}
    # Four tasks of several units each.
    "$tessera" split "${problem[@]}" --units 24 --units-per-task 8 --slurm -o "$split"
    [ -f "$split/job.sbatch" ] || fail "no job.sbatch"

    # Task 2 is cancelled before it can start: its units run so fast that a cancel aimed at a
    # running task could come after the task has ended.
    job=$(sbatch --parsable --hold "$split/job.sbatch")
    scancel "${job}_2"
    scontrol release "$job"
    wait_for "$job" gone
    status=0
    merged=$("$tessera" merge "$split") || status=$?
    echo "$merged"
    [ "$status" -eq 3 ] || fail "merge with a cancelled task exited $status, not 3"
    grep -q "complete=no" <<<"$merged" || fail "merge with a cancelled task says complete"

    job=$(sbatch --parsable --array=2 "$split/job.sbatch")
    wait_for "$job" gone
    merged=$("$tessera" merge "$split") || fail "merge after the resubmission exited $?"
    echo "$merged"
    [ "${merged##*$'\n'}" = "$single nodes=${merged##*nodes=}" ] || fail "merged '$merged' is not the single count '$single'"
    grep -q "complete=yes units_done=" <<<"$merged" || fail "the merge is not complete"
    for k in 1 2; do
        [ -f "$split/logs/task_$k.out" ] && [ -f "$split/logs/task_$k.err" ] || fail "no log files of task $k"
    done
    echo "PASS: the units ran as a job array, and a cancelled task ran again and completed the count"
}

run_on_cluster units split "$@"
