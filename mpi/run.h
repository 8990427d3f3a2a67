// tessera-mpi: the solve on the ranks of an MPI job. Rank 0 splits the tree into units and hands
// them out one at a time to the ranks that ask, since units differ in size by orders of
// magnitude; when its queue runs dry while a rank sits idle, it asks a busy rank to hand back
// what it has not searched, which becomes new units. Results come back to rank 0, which writes
// the solution files and the summary line of `tessera solve` and keeps the job's journal
// (work/journal.h), so that a job killed and run again with --continue skips what is done.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "solve/run.h"
#include "work/journal.h"

namespace tessera::mpi {

struct MpiOptions : solve::SolveOptions {
    std::string journal = work::kJournalName;
    bool resume_journal = false;
    std::size_t units = 0;  // 0: 16 per rank
    bool dispatch_only = false;  // rank 0 hands out units but searches none itself
};

// One solve on every rank of the job; the exit status of `tessera solve` on rank 0. The front end
// catches the stop signals: rank 0 ends the job cleanly on them.
int mpi_solve(const MpiOptions& opt, int rank, int ranks);

// Reads one line of a batch list into the options of a solve: empty, or what is wrong with it.
using LineParser = std::function<std::string(const std::string& line, MpiOptions& opt)>;

// One job for many problems, a line of `list` each (# starts a comment), solved one after
// another by every rank. Exit status: a failure before bad input before a stop before success.
int mpi_batch(const std::string& list, int rank, int ranks, const LineParser& parse);

}  // namespace tessera::mpi
