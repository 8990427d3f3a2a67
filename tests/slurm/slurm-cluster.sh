#!/usr/bin/env bash
# A throw-away single-node Slurm cluster on this machine, for tests and for trying job arrays by
# hand: munged, slurmctld and slurmd on localhost, with their key, configuration, state, spool
# and logs all inside one folder. No cgroups and no systemd: it runs as root on a bare Debian
# machine or container (packages slurm-wlm and munge).
#
#   slurm-cluster.sh start DIR         start the cluster; prints "export SLURM_CONF=DIR/slurm.conf"
#   slurm-cluster.sh stop DIR          cancel its jobs and stop its three daemons
#   slurm-cluster.sh run DIR CMD ARGS  start, run CMD with SLURM_CONF set, stop (also when CMD
#                                      or the start fails, or on a signal); exits with CMD's status
#
# Where slurmd cannot run on this machine at all (it refuses to start, or ends before the node
# is up), start and run stop what they started, say why, and exit 77: tests count that as
# skipped, not as passed or failed.
#
# DIR is made if missing. The ports are SLURM_CLUSTER_PORT and the next one (default: a port in
# 20000-29999 picked from this shell's process id), so that two clusters can run side by side.
set -euo pipefail

usage() {
    echo "usage: $0 start DIR | stop DIR | run DIR CMD [ARGS...]" >&2
    exit 2
}

die() {
    echo "slurm-cluster: $*" >&2
    exit 1
}

# The error lines of slurmd's log are the reason; the caller's trap (run) or stop_cluster (start)
# ends munged and slurmctld.
slurmd_cannot_run() {
    local dir=$1
    echo "slurm-cluster: slurmd cannot run on this machine (see $dir/log/slurmd.log):" >&2
    grep -h 'error:' "$dir/log/slurmd.log" 2>/dev/null | tail -n 5 >&2 || true
    exit 77
}

# Every path in the configuration is absolute; slurmd and slurmctld must run as root here.
write_config() {
    local dir=$1 port=$2 host cpus
    host=$(hostname -s)
    cpus=$(nproc)
    mkdir -p "$dir/state" "$dir/spool" "$dir/log" "$dir/munge"
    chmod 700 "$dir/munge"
    cat >"$dir/slurm.conf" <<EOF
ClusterName=tessera-test
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge/munge.socket
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SwitchType=switch/none
MpiDefault=none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerType=sched/backfill
# A CPU freed by a task that ends is given to the next one at the controller's next pass, once a
# second, instead of every third second by default (batch_sched_delay): short array tasks.
SchedulerParameters=batch_sched_delay=0
ReturnToService=2
MailProg=/bin/true
JobRequeue=1
MinJobAge=300
NodeName=$host NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=debug Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
    # slurmd loads a cgroup plugin even when no other plugin uses one, and the default one
    # (autodetect) fails where /sys/fs/cgroup is not mounted, as in a bare container or chroot.
    # The v1 plugin touches no file system until a plugin asks it to, and none does here.
    cat >"$dir/cgroup.conf" <<EOF
CgroupPlugin=cgroup/v1
CgroupAutomount=no
EOF
}

start_munge() {
    local dir=$1
    [ -f "$dir/munge/munge.key" ] || mungekey --create --keyfile="$dir/munge/munge.key" >/dev/null
    chmod 400 "$dir/munge/munge.key"
    munged --force --key-file="$dir/munge/munge.key" --socket="$dir/munge/munge.socket" \
        --pid-file="$dir/munge/munged.pid" --log-file="$dir/log/munged.log" \
        --seed-file="$dir/munge/munged.seed" || die "munged did not start (see $dir/log/munged.log)"
}

# Waits until the node reports idle; sinfo reads SLURM_CONF.
wait_for_idle() {
    local dir=$1 state=""
    for _ in $(seq 1 120); do
        state=$(sinfo -h -o %T 2>/dev/null || true)
        [ "$state" = "idle" ] && return 0
        # slurmd writes its pid file once it runs on its own: gone after that, it ended.
        [ ! -f "$dir/slurmd.pid" ] || pid_alive "$dir/slurmd.pid" || slurmd_cannot_run "$dir"
        sleep 0.5
    done
    die "the node did not become idle (state '$state'; logs in $dir/log)"
}

start_cluster() {
    local dir port
    mkdir -p "$1"
    dir=$(cd "$1" && pwd)
    port=${SLURM_CLUSTER_PORT:-$((20000 + $$ % 5000 * 2))}
    command -v slurmctld >/dev/null && command -v munged >/dev/null ||
        die "slurm-wlm and munge are not installed (scripts/install-deps.sh installs them)"
    write_config "$dir" "$port"
    export SLURM_CONF=$dir/slurm.conf
    start_munge "$dir"
    slurmctld -c -f "$SLURM_CONF" || die "slurmctld did not start (see $dir/log/slurmctld.log)"
    rm -f "$dir/slurmd.pid"
    slurmd -f "$SLURM_CONF" || slurmd_cannot_run "$dir"
    wait_for_idle "$dir"
    echo "export SLURM_CONF=$SLURM_CONF"
}

pid_alive() {
    local pid
    pid=$(cat "$1" 2>/dev/null || true)
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null
}

# Ends the process whose id a pid file holds and waits for it (at most ten seconds, then kills).
stop_pidfile() {
    local file=$1 pid
    [ -f "$file" ] || return 0
    pid=$(cat "$file" 2>/dev/null || true)
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
}

stop_cluster() {
    local dir
    [ -d "$1" ] || return 0
    dir=$(cd "$1" && pwd)
    if [ -f "$dir/slurm.conf" ] && [ -f "$dir/slurmctld.pid" ]; then
        # Jobs first, so that no job step outlives the daemons that watch it.
        SLURM_CONF=$dir/slurm.conf scancel --full --quiet --user=root 2>/dev/null || true
        for _ in $(seq 1 50); do
            [ -z "$(SLURM_CONF=$dir/slurm.conf squeue -h 2>/dev/null || true)" ] && break
            sleep 0.1
        done
    fi
    stop_pidfile "$dir/slurmd.pid"
    stop_pidfile "$dir/slurmctld.pid"
    stop_pidfile "$dir/munge/munged.pid"
}

[ $# -ge 2 ] || usage
action=$1
dir=$2
shift 2
case $action in
start)
    trap '[ "$?" -eq 0 ] || stop_cluster "$dir"' EXIT
    start_cluster "$dir"
    ;;
stop) stop_cluster "$dir" ;;
run)
    [ $# -ge 1 ] || usage
    trap 'stop_cluster "$dir"' EXIT
    trap 'exit 130' INT TERM
    start_cluster "$dir" >/dev/null
    SLURM_CONF=$(cd "$dir" && pwd)/slurm.conf
    export SLURM_CONF
    status=0
    "$@" || status=$?
    exit "$status"
    ;;
*) usage ;;
esac
