# Shared by the tests that run on the single-node cluster of slurm-cluster.sh; sourced, not run.
# A test script defines inside_cluster TESSERA DATA_DIR WORK and ends with
#   run_on_cluster NAME LOG_FOLDER "$@"
# which runs inside_cluster within a cluster started for it (and stopped after it), or exits 77
# (skipped) without root, without the slurm-wlm and munge packages, or where slurmd cannot run.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Waits until `squeue` shows the job (or array task) in the state given, or no longer at all
# when the state is "gone".
wait_for() {
    local job=$1 want=$2 state
    for _ in $(seq 1 600); do
        state=$(squeue -h -j "$job" -o %T 2>/dev/null | sort -u | tr '\n' ' ' || true)
        state=${state% }
        if [ "$want" = gone ] && [ -z "$state" ]; then return 0; fi
        [ "$state" = "$want" ] && return 0
        sleep 0.2
    done
    fail "job $job did not reach $want (last state '$state')"
}

run_on_cluster() {
    local name=$1 logs=$2 here work status=0
    shift 2
    if [ "${1:-}" = --inside ]; then
        shift
        inside_cluster "$@"
        exit 0
    fi
    [ $# -eq 2 ] || { echo "usage: $0 TESSERA DATA_DIR" >&2; exit 2; }
    if [ "$(id -u)" -ne 0 ] || ! command -v slurmctld >/dev/null || ! command -v munged >/dev/null; then
        echo "skipped: needs root and the slurm-wlm and munge packages (scripts/install-deps.sh)"
        exit 77
    fi
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    work=$(mktemp -d "/tmp/tessera-$name-XXXXXX")
    "$here/slurm-cluster.sh" run "$work/cluster" "$0" --inside "$1" "$2" "$work" || status=$?
    if [ "$status" -eq 77 ]; then
        echo "skipped: slurmd cannot run on this machine (the reason is above)"
    elif [ "$status" -ne 0 ]; then
        # What the daemons and the tasks said, before the folder goes.
        tail -n 20 "$work"/cluster/log/*.log "$work/$logs"/logs/* 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
