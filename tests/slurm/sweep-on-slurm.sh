#!/usr/bin/env bash
# The sweep's Slurm path on a real single-node cluster (slurm-cluster.sh): a job array of two
# settings, one of its tasks cancelled while it runs, the report that says so, the task
# submitted again alone, and the report that then lists every setting as done.
#
#   sweep-on-slurm.sh TESSERA DATA_DIR
#
# Exit status 77 (skipped) without root, without the slurm-wlm and munge packages, or where
# slurmd cannot run (test-lib.sh).
set -euo pipefail

source "$(dirname "$0")/test-lib.sh"

# Runs sweep-report and checks its exit status and that each expected "first state" row is there.
expect_report() {
    local tessera=$1 sweep=$2 want_status=$3 status=0 report
    shift 3
    report=$("$tessera" sweep-report "$sweep") || status=$?
    echo "$report"
    [ "$status" -eq "$want_status" ] || fail "sweep-report exited $status, not $want_status"
    for row in "$@"; do
        grep -Eq "^${row% *} +${row#* } " <<<"$report" || fail "the report has no row '$row'"
    done
    [ -s "$sweep/report.csv" ] || fail "no report.csv"
}

inside_cluster() {
    local tessera=$1 data=$2 work=$3 sweep job
    sweep=$work/sweep
    "$tessera" sweep --first 1,18 --first 2,19 --limits --time-limit 3 --pieces "$data/zdroj.txt" -o "$sweep" --slurm
    [ -f "$sweep/job.sbatch" ] || fail "no job.sbatch"

    job=$(sbatch --parsable "$sweep/job.sbatch")
    wait_for "${job}_2" RUNNING
    sleep 0.5  # the search of task 2 is under way, not just its shell
    scancel "${job}_2"
    wait_for "$job" gone
    expect_report "$tessera" "$sweep" 3 "1,18 done" "2,19 stopped"

    job=$(sbatch --parsable --array=2 "$sweep/job.sbatch")
    wait_for "$job" gone
    expect_report "$tessera" "$sweep" 0 "1,18 done" "2,19 done"
    for k in 1 2; do
        [ -f "$sweep/logs/task_$k.out" ] && [ -f "$sweep/logs/task_$k.err" ] || fail "no log files of task $k"
    done
    echo "PASS: the sweep ran as a job array, and a cancelled task ran again alone"
}

run_on_cluster slurm sweep "$@"
