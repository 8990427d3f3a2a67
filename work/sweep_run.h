// The run of a sweep: a new sweep folder, its settings run as `tessera search` processes on this
// machine's cores (or one setting as a task of a Slurm job array), and the report of what each
// reached. The stop signals end the running searches cleanly and start no more.
#pragma once

#include <string>

#include "work/sweep.h"

namespace tessera::work {

// A new sweep folder: the plan, the piece file, and one folder per setting with the piece file
// linked in (copied where links cannot be made). False after one line.
bool make_sweep_folder(const std::string& dir, const std::string& pieces_path, const SweepPlan& plan);

// DIR/job.sbatch, a task per setting; the exit status.
int write_sweep_job(const std::string& dir, const SweepPlan& plan);

// The settings one after another on `jobs` worker threads; 0 when every setting ran, 3 when
// stopped, 1 when a search failed.
int run_sweep_locally(const std::string& dir, const SweepPlan& plan, unsigned jobs);

// Setting `task` (from 1) of the sweep in DIR, as an array task runs it; the exit status.
int run_sweep_task(const std::string& dir, int task);

// tessera sweep-report DIR: the table, DIR/report.csv and the summary line; the exit status.
int report_sweep(const std::string& dir);

}  // namespace tessera::work
