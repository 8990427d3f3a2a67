// tessera work: what a task of a split's job array runs. Tasks claim units in the split folders
// (DIR/claims/unit_NNNNNN, made by link(2) so that of two tasks only one gets a unit) and solve
// the units they hold, one after another in one process.
#pragma once

#include <string>
#include <vector>

namespace tessera::work {

struct WorkOptions {
    std::string task, job;
    bool take_over = false;
    int threads = 1;
    std::vector<std::string> dirs;
};

// tessera work: what a task of a split's job array runs. The folders in order, first the units
// the task holds, then new ones: a requeued task finishes its own units before it takes more.
// Exit status 0 when nothing went wrong (also when other tasks had taken every unit), 1 when a
// unit failed or a folder was skipped, 2 when no folder could be worked on, 3 when stopped.
int run_work(const WorkOptions& opt);

}  // namespace tessera::work
