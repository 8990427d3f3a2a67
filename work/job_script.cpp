#include "work/job_script.h"

#include "app/files.h"
#include "app/text.h"
#include "work/split.h"

namespace tessera::work {

namespace {

// What each array task runs; `bin` and `own` (the split's folder) are set before it. The claims
// are made by `tessera work`, one process that solves its units one after another.
constexpr const char* kTaskCommand = R"sh(me=${SLURM_ARRAY_TASK_ID:?run this script with sbatch, as a job array}
take_over=
[ "${TESSERA_TAKE_OVER:-0}" = 1 ] && take_over=--take-over
# Folders named on the sbatch line are taken from the folder sbatch was run in.
cd "${SLURM_SUBMIT_DIR:-.}" || exit 1
exec "$bin" work --task "$me" ${SLURM_ARRAY_JOB_ID:+--job "$SLURM_ARRAY_JOB_ID"} $take_over --threads "${SLURM_CPUS_PER_TASK:-1}" -- "$own" "$@"
)sh";

}  // namespace

std::string job_script(const JobArray& job) {
    std::string t = "#!/bin/sh\n";
    for (const std::string& note : job.notes) t += "# " + note + "\n";
    t += "#SBATCH --job-name=" + job.name + "\n";
    t += format("#SBATCH --array=1-%zu\n", job.tasks);
    t += "#SBATCH --ntasks=1\n#SBATCH --cpus-per-task=1\n";
    if (job.minutes > 0) t += format("#SBATCH --time=%ld\n", job.minutes);
    t += "#SBATCH --requeue\n#SBATCH --open-mode=append\n";
    t += "#SBATCH --chdir=" + job.dir + "\n";
    t += "#SBATCH --output=" + job.dir + "/logs/task_%a.out\n";
    t += "#SBATCH --error=" + job.dir + "/logs/task_%a.err\n";
    return t + job.body;
}

std::string split_job_script(const std::string& dir, std::size_t units, std::size_t per_task) {
    JobArray job;
    job.name = "tessera-units";
    job.tasks = (units + per_task - 1) / per_task;
    job.dir = dir;
    job.notes = {
        format("tessera split: %zu units of %s/%s, shared out by %zu array tasks (one per %zu units).", units,
               dir.c_str(), kManifestName, job.tasks, per_task),
        "Submit with `sbatch " + dir + "/job.sbatch`, then read the answer with `tessera merge " + dir + "`.",
        "Each task walks the units in order and solves every unit it is the first to claim (the",
        "file claims/unit_NNNNNN names the task that holds it): tasks that start early take more",
        "units, and no CPU waits for the scheduler between units.",
        "One array for many splits: `sbatch job.sbatch DIR2 DIR3 ...` claims the units of this",
        "folder, then those of each folder named, in that order (relative names are taken from",
        "the folder sbatch is run in).",
        "A requeued or resubmitted task K first continues the units it holds that are not done,",
        "from their checkpoints, then claims new ones: after task K was cancelled, submit",
        "`sbatch --array=K job.sbatch [DIR2 ...]`. Units held by a task that will not run again",
        "(cancelled, and its index not submitted again): once no task of the array runs, one",
        "sweep-up task takes over every claimed unit that is not done:",
        "  sbatch --array=1 --export=ALL,TESSERA_TAKE_OVER=1 job.sbatch [DIR2 ...]",
    };
    job.body = "bin='" + own_binary() + "'\nown='" + dir + "'\n" + kTaskCommand;
    return job_script(job);
}

}  // namespace tessera::work
