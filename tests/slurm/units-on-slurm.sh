#!/usr/bin/env bash
# A split's job array on a real single-node cluster (slurm-cluster.sh): one array for two split
# folders; a task cancelled while it holds a claimed unit leaves the merge incomplete, and the
# task submitted again alone completes it; both merged counts equal the count of one
# `tessera solve`.
#
#   units-on-slurm.sh TESSERA DATA_DIR
#
# Exit status 77 (skipped) without root, without the slurm-wlm and munge packages, or where
# slurmd cannot run (test-lib.sh).
set -euo pipefail

source "$(dirname "$0")/test-lib.sh"

# Merges a split folder and checks the exit status; prints the summary line.
merge_with() { # TESSERA DIR STATUS
    local status=0 merged
    merged=$("$1" merge "$2") || status=$?
    [ "$status" -eq "$3" ] || fail "merge of $2 exited $status, not $3: $merged"
    echo "${merged##*$'\n'}"
}

# The summary line of a complete merge has the single count.
expect_count() { # LINE SINGLE
    [ "${1%% nodes=*}" = "$2" ] || fail "merged '$1' is not the single count '$2'"
    grep -q "complete=yes units_done=" <<<"$1" || fail "the merge '$1' is not complete"
}

inside_cluster() {
    local tessera=$1 data=$2 work=$3 split=$3/split job single line
    local problem=(--pieces "$data/zdroj.txt" --resume "$data/partial_20.txt" --count)
    single=$("$tessera" solve "${problem[@]}" --quiet)
    single=${single%% tilings=*}
    # Four tasks for the first folder's units; the second folder's units are claimed too.
    "$tessera" split "${problem[@]}" --units 24 --units-per-task 8 --slurm -o "$split"
    "$tessera" split "${problem[@]}" --units 6 -o "$work/other"
    [ -f "$split/job.sbatch" ] || fail "no job.sbatch"

    # Task 2 holds unit 5 (as if it had claimed it and then been cancelled) and is cancelled
    # before it starts: its units run so fast that a cancel aimed at a running task could come
    # after the task has ended.
    mkdir "$split/claims"
    echo "2 0" >"$split/claims/unit_000005"
    job=$(cd "$work" && sbatch --parsable --hold "$split/job.sbatch" other)
    scancel "${job}_2"
    scontrol release "$job"
    wait_for "$job" gone
    line=$(merge_with "$tessera" "$split" 3)
    grep -q "complete=no" <<<"$line" || fail "merge with a cancelled task says complete"
    expect_count "$(merge_with "$tessera" "$work/other" 0)" "$single"

    job=$(sbatch --parsable --array=2 "$split/job.sbatch")
    wait_for "$job" gone
    expect_count "$(merge_with "$tessera" "$split" 0)" "$single"
    [ "$(cat "$split/claims/unit_000005")" = "2 0" ] || fail "unit 5 changed hands"
    for k in 1 2; do
        [ -f "$split/logs/task_$k.out" ] && [ -f "$split/logs/task_$k.err" ] || fail "no log files of task $k"
    done
    echo "PASS: one array claimed the units of two folders, and a cancelled task that held a unit ran again and completed the count"
}

run_on_cluster units split "$@"
