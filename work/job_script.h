// Slurm job array scripts: one task per setting of a sweep, or tasks that claim a split's units.
// Every script has the same frame: the notes, then the #SBATCH lines (one CPU per task, requeued
// on failure, output appended to DIR/logs/task_K.out and .err), then what each task runs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tessera::work {

struct JobArray {
    std::string name;                // --job-name
    std::size_t tasks = 1;           // --array=1-tasks
    long minutes = 0;                // --time, 0 for none
    std::string dir;                 // --chdir, and the logs below it
    std::vector<std::string> notes;  // comment lines at the top, without the "# "
    std::string body;                // the shell lines every task runs
};

std::string job_script(const JobArray& job);

// The array of a split folder DIR with `units` units, a task per `per_task` of them: each task
// runs `tessera work`, claiming units of DIR and of the folders named on the sbatch line.
std::string split_job_script(const std::string& dir, std::size_t units, std::size_t per_task);

}  // namespace tessera::work
