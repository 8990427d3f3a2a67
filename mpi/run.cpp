#include "mpi/run.h"

#include <mpi.h>

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/files.h"
#include "app/progress_line.h"
#include "app/stop_signals.h"
#include "app/text.h"
#include "solve/run.h"
#include "search/atomic_file.h"
#include "solve/units.h"
#include "work/journal.h"

namespace tessera::mpi {

namespace {

using solve::SolveOptions;
using solve::Prefix;

enum Tag { kResult = 1, kWork = 2, kStop = 3, kSplit = 4 };


// --- messages: plain text, numbers separated by blanks ---

void put_prefix(std::ostringstream& out, const Prefix& p) { out << work::prefix_text(p) << '\n'; }

bool get_prefix(std::istream& in, Prefix& p) { return work::read_prefix(in, p); }

void send_text(int to, int tag, const std::string& text) {
    MPI_Send(text.data(), static_cast<int>(text.size()), MPI_CHAR, to, tag, MPI_COMM_WORLD);
}

std::string receive_text(int from, int tag, MPI_Status& status) {
    MPI_Probe(from, tag, MPI_COMM_WORLD, &status);
    int size = 0;
    MPI_Get_count(&status, MPI_CHAR, &size);
    std::string text(static_cast<std::size_t>(size), '\0');
    MPI_Recv(text.data(), size, MPI_CHAR, status.MPI_SOURCE, status.MPI_TAG, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    return text;
}

// What a rank sends back for a unit: its counts, whether its tree is searched to the end (or
// what is left of it, when rank 0 asked for it back), and the solutions to write.
struct UnitReply {
    solve::BigCount solutions;
    std::uint64_t tilings = 0, nodes = 0;
    bool failed = false;  // a solution failed the check
    std::vector<Prefix> open, labelled;
};

std::string reply_text(const UnitReply& r) {
    std::ostringstream out;
    out << r.solutions.text() << ' ' << r.tilings << ' ' << r.nodes << ' ' << r.failed << ' ' << r.open.size() << ' '
        << r.labelled.size() << '\n';
    for (const Prefix& p : r.open) put_prefix(out, p);
    for (const Prefix& p : r.labelled) put_prefix(out, p);
    return out.str();
}

bool read_reply(const std::string& text, UnitReply& r) {
    std::istringstream in(text);
    std::string solutions;
    std::size_t open = 0, labelled = 0;
    if (!(in >> solutions >> r.tilings >> r.nodes >> r.failed >> open >> labelled) ||
        !solve::BigCount::parse(solutions, r.solutions))
        return false;
    r.open.resize(open);
    r.labelled.resize(labelled);
    for (Prefix& p : r.open)
        if (!get_prefix(in, p)) return false;
    for (Prefix& p : r.labelled)
        if (!get_prefix(in, p)) return false;
    return true;
}

// --- a working rank ---

// Searches one unit on this thread to its end, or until `stop` is set; then `open` holds what
// is left. Every tiling is checked by the independent checker before it counts.
UnitReply search_unit(const SolveOptions& opt, const Solver& solver, const solve::Problem& problem,
                      const Prefix& prefix, const std::atomic<bool>& stop, solve::Walker& walker) {
    UnitReply reply;
    const std::uint64_t wanted = opt.count ? 0 : (opt.max_solutions != 0 ? opt.max_solutions : 1);
    solve::UnitOptions options;
    options.stop = &stop;
    options.walker = &walker;
    options.on_tiling = [&](const Prefix& tiling) {
        const std::unique_ptr<PlacementList> list = solve::placement_list(problem.fixed, tiling);
        const std::string fault = solve::solution_fault(solver.state(), problem, *list);
        if (!fault.empty()) {
            std::fprintf(stderr, "tessera-mpi: a solution failed the check: %s\n", fault.c_str());
            reply.failed = true;
            return false;
        }
        // One solution file per tiling, as tessera solve writes them.
        if (reply.labelled.size() < wanted) reply.labelled.push_back(tiling);
        return true;
    };
    solve::UnitResult result = solve::solve_unit(problem, prefix, options);
    reply.solutions = result.solutions;
    reply.tilings = result.tilings;
    reply.nodes = result.nodes;
    if (!reply.failed) reply.open = std::move(result.open);
    return reply;
}

// A unit searched on a thread of its own, so that the thread that started it stays free to
// talk to the other ranks and to stop it.
class UnitThread {
public:
    void start(const SolveOptions& opt, const Solver& solver, const solve::Problem& problem, Prefix prefix) {
        stop_ = false;
        done_ = false;
        if (!walker_) {
            walker_ = std::make_unique<solve::Walker>(problem);
            walker_->share_dead_states(&dead_);
        }
        thread_ = std::thread([this, &opt, &solver, &problem, prefix = std::move(prefix)] {
            reply_ = search_unit(opt, solver, problem, prefix, stop_, *walker_);
            done_ = true;
        });
    }
    bool running() const { return thread_.joinable(); }
    bool finished() const { return running() && done_; }
    void stop() { stop_ = true; }
    UnitReply take() {
        thread_.join();
        return std::move(reply_);
    }

private:
    std::thread thread_;
    std::atomic<bool> stop_{false}, done_{false};
    UnitReply reply_;
    // Kept across this rank's units: the walker's tables are built once, and a state found dead
    // in one unit is skipped in the next.
    solve::DeadStates dead_;
    std::unique_ptr<solve::Walker> walker_;
};

// Solves one unit while watching for rank 0's request to hand it back.
UnitReply solve_one(UnitThread& unit, const SolveOptions& opt, const Solver& solver, const solve::Problem& problem,
                    Prefix prefix) {
    unit.start(opt, solver, problem, std::move(prefix));
    while (!unit.finished()) {
        int asked = 0;
        MPI_Iprobe(0, kSplit, MPI_COMM_WORLD, &asked, MPI_STATUS_IGNORE);
        if (asked) {
            MPI_Recv(nullptr, 0, MPI_CHAR, 0, kSplit, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
            unit.stop();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return unit.take();
}

void work(const SolveOptions& opt, const Solver& solver, const solve::Problem& problem) {
    std::string reply;
    UnitThread unit;
    for (;;) {
        send_text(0, kResult, reply);
        MPI_Status status;
        std::string text;
        // A request to hand back a unit that had already ended is stale: it is dropped.
        do text = receive_text(0, MPI_ANY_TAG, status);
        while (status.MPI_TAG == kSplit);
        if (status.MPI_TAG == kStop) return;
        std::istringstream in(text);
        Prefix prefix;
        get_prefix(in, prefix);
        reply = reply_text(solve_one(unit, opt, solver, problem, std::move(prefix)));
    }
}

// --- rank 0 ---

// Rank 0: hands out units and takes results back. Unless told to only dispatch it also searches
// units itself, on a thread of its own, as if it were one more rank (number 0): its own loop
// mostly sleeps, so on a machine with one core per rank no core sits idle.
class Master {
public:
    Master(const MpiOptions& opt, const Solver& solver, const solve::Problem& problem, int ranks)
        : opt_(opt), solver_(solver), p_(problem), ranks_(ranks), asked_(static_cast<std::size_t>(ranks), false) {
        wanted_ = opt.count ? 0 : (opt.max_solutions != 0 ? opt.max_solutions : 1);
    }

    // Returns the exit status of `tessera solve`.
    int run() {
        work::JournalState carried;
        if (const int status = open_journal(carried); status != 0) return status;
        totals_ = carried;
        if (!carried.split) {
            std::vector<Prefix> units;
            if (solve::areas_match(p_)) {
                const std::size_t n = opt_.units != 0 ? opt_.units : 16 * static_cast<std::size_t>(ranks_);
                units = solve::expand_frontier(p_, n);
            }
            if (!journal(work::split_content(units))) return say_and_stop(1);
            for (Prefix& unit : units) queue_.emplace_back(next_id_++, std::move(unit));
        } else {
            for (std::size_t id = 0; id < carried.units.size(); ++id)
                if (!carried.done[id]) queue_.emplace_back(id, carried.units[id]);
            next_id_ = carried.units.size();
        }
        finishing_ = failed_ || (wanted_ != 0 && totals_.written >= wanted_);
        if (!opt_.dispatch_only) idle_.push_back(0);
        serve();
        return summary();
    }

private:
    using Clock = std::chrono::steady_clock;

    int say(const std::string& line, int status) {
        std::fprintf(stderr, "%s\n", line.c_str());
        stop_all_waiting();
        return status;
    }
    int say_and_stop(int status) {
        stop_all_waiting();
        return status;
    }

    // The journal of this job: a new one, or with --continue the earlier job's, cut back to its
    // last whole record. 0, or the exit status after one line.
    int open_journal(work::JournalState& carried) {
        const std::string& path = opt_.journal;
        if (opt_.resume_journal) {
            const FileText file = read_text_file(path);
            if (!file.ok()) return say(path + ": cannot read the journal (" + file.fault + ")", 2);
            if (const std::string fault = work::read_journal(path, file.text, p_.fingerprint, carried); !fault.empty())
                return say(fault, 2);
            // Killed before its first split was written whole, the job had done nothing yet.
            const int err = carried.split ? journal_.reopen(path, carried) : journal_.create(path, p_.fingerprint);
            if (err != 0) return say(format("%s: cannot be written (%s)", path.c_str(), std::strerror(err)), 1);
            return 0;
        }
        if (const std::string fault = output_fault(path, OutputKind::File); !fault.empty())
            return say(format("--journal: cannot write '%s' (%s)", path.c_str(), fault.c_str()), 2);
        std::error_code ec;
        if (std::filesystem::exists(path, ec))
            return say(path + ": a journal of an earlier job is here; run with --continue or remove it", 2);
        if (const int err = journal_.create(path, p_.fingerprint))
            return say(format("%s: cannot be written (%s)", path.c_str(), std::strerror(err)), 1);
        return 0;
    }

    // Appends a record; a journal that cannot be written ends the job: what is not in it could
    // not be continued.
    bool journal(const std::string& record) {
        if (const int err = journal_.append(record)) {
            line_.wipe();
            std::fprintf(stderr, "%s: cannot be written (%s); the job ends\n", opt_.journal.c_str(), std::strerror(err));
            failed_ = finishing_ = true;
            for (const auto& [rank, id] : running_)
                if (!asked_[static_cast<std::size_t>(rank)]) ask(rank);
            return false;
        }
        return true;
    }

    // Every rank that asks for work now is told to stop (after bad input on rank 0).
    void stop_all_waiting() {
        for (int r = 1; r < ranks_; ++r) {
            MPI_Status status;
            receive_text(r, kResult, status);
            send_text(r, kStop, "");
        }
    }

    // The next rank that ended its unit, or asks for its first: false when none has yet.
    // `reply` is empty for a first request.
    bool next_reply(int& rank, std::optional<UnitReply>& reply) {
        reply.reset();
        if (local_.finished()) {
            rank = 0;
            reply = local_.take();
            return true;
        }
        int arrived = 0;
        MPI_Status status;
        MPI_Iprobe(MPI_ANY_SOURCE, kResult, MPI_COMM_WORLD, &arrived, &status);
        if (!arrived) return false;
        rank = status.MPI_SOURCE;
        const std::string text = receive_text(rank, kResult, status);
        if (!running_.count(rank)) return true;
        reply.emplace();
        if (!read_reply(text, *reply)) {
            std::fprintf(stderr, "tessera-mpi: rank %d sent a result that cannot be read\n", rank);
            reply->failed = true;
        }
        return true;
    }

    // A unit's solution files are put in place first, then its record goes into the journal with
    // the parts it handed back: a kill in between searches the unit again, which writes the same
    // files again, and counts nothing twice.
    void take_reply(int rank, UnitReply& reply) {
        const auto it = running_.find(rank);
        if (it == running_.end()) return;
        const std::size_t id = it->second;
        running_.erase(it);
        // A unit whose solution failed the check is not journalled as done: a rerun searches it again.
        if (reply.failed || failed_) {
            failed_ = finishing_ = true;
            return;
        }
        std::uint64_t wrote = 0;
        for (const Prefix& labelled : reply.labelled) {
            if (totals_.written + wrote >= wanted_) break;
            if (!write_solution(totals_.written + wrote + 1, labelled)) return;
            ++wrote;
        }
        if (!journal(work::done_content(id, reply.solutions, reply.tilings, reply.nodes, reply.open, wrote))) return;
        // What the rank handed back goes first: it lies before the queue in the search order.
        const std::size_t first = next_id_;
        next_id_ += reply.open.size();
        for (std::size_t j = reply.open.size(); j-- > 0;) queue_.emplace_front(first + j, std::move(reply.open[j]));
        totals_.solutions.add(reply.solutions);
        totals_.tilings += reply.tilings;
        totals_.nodes += reply.nodes;
        totals_.written += wrote;
        ++totals_.units_done;
        if (wanted_ != 0 && totals_.written >= wanted_) finishing_ = true;
    }

    bool write_solution(std::uint64_t n, const Prefix& labelled) {
        const std::string path = solve::solution_path(opt_.output, n, opt_.max_solutions != 0);
        if (const int err = write_file_atomically(path, solve::placement_file_text(p_.fixed, labelled))) {
            line_.wipe();
            std::fprintf(stderr, "Nemohu zapsat vysledny soubor: '%s' (%s)\n", path.c_str(), std::strerror(err));
            failed_ = finishing_ = true;
            return false;
        }
        return true;
    }

    void hand_out(int rank) {
        if (finishing_ || queue_.empty()) {
            idle_.push_back(rank);
            return;
        }
        auto [id, unit] = std::move(queue_.front());
        queue_.pop_front();
        if (rank == 0) {
            local_.start(opt_, solver_, p_, std::move(unit));
        } else {
            std::ostringstream out;
            put_prefix(out, unit);
            send_text(rank, kWork, out.str());
        }
        running_[rank] = id;
        asked_[static_cast<std::size_t>(rank)] = false;
    }

    // Asks a busy rank to end its unit now and hand back what it has not searched.
    void ask(int rank) {
        asked_[static_cast<std::size_t>(rank)] = true;
        if (rank == 0)
            local_.stop();
        else
            MPI_Send(nullptr, 0, MPI_CHAR, rank, kSplit, MPI_COMM_WORLD);
    }

    // With nothing queued and a rank idle, the busy rank not yet asked hands back its rest.
    void ask_for_split() {
        if (finishing_ || !queue_.empty() || idle_.empty()) return;
        for (const auto& [rank, id] : running_)
            if (!asked_[static_cast<std::size_t>(rank)]) return ask(rank);
    }

    double elapsed() const { return std::chrono::duration<double>(Clock::now() - started_).count(); }

    // At the time limit or a stop signal every busy rank hands back what it has not searched,
    // which the journal keeps as units not done, and no more units go out.
    void check_stop() {
        if (stopping_) return;
        if (!stop_requested() && !(opt_.time_limit > 0 && elapsed() >= opt_.time_limit)) return;
        stopping_ = finishing_ = true;
        for (const auto& [rank, id] : running_)
            if (!asked_[static_cast<std::size_t>(rank)]) ask(rank);
    }

    void show_progress() {
        if (!line_.due()) return;
        line_.show(format("units %zu/%zu  solutions %s  nodes %" PRIu64 "  %.1f s%s", totals_.units_done, next_id_,
                          totals_.solutions.text().c_str(), totals_.nodes, elapsed(), stopping_ ? "  stopping" : ""));
    }

    void serve() {
        int stopped = 0;
        while (stopped < ranks_ - 1) {
            check_stop();
            int rank = 0;
            std::optional<UnitReply> reply;
            if (!next_reply(rank, reply)) {
                show_progress();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            if (reply) take_reply(rank, *reply);
            hand_out(rank);
            while (!queue_.empty() && !finishing_ && !idle_.empty()) {
                const int idle = idle_.front();
                idle_.pop_front();
                hand_out(idle);
            }
            // All searched, or nothing more wanted: the idle ranks are done.
            if (running_.empty() && (queue_.empty() || finishing_)) {
                for (const int idle : idle_)
                    if (idle != 0) {
                        send_text(idle, kStop, "");
                        ++stopped;
                    }
                idle_.clear();
            } else {
                ask_for_split();
            }
        }
        line_.wipe();
    }

    int summary() {
        const bool enough = wanted_ != 0 && totals_.written >= wanted_;
        const bool complete = !failed_ && queue_.empty() && running_.empty() && !enough;
        std::printf("solutions=%s tilings=%" PRIu64 " nodes=%" PRIu64 " complete=%s\n", totals_.solutions.text().c_str(),
                    totals_.tilings, totals_.nodes, complete ? "yes" : "no");
        if (std::fflush(stdout) != 0 || failed_) return 1;
        if (!complete && !enough) return 3;
        // A job that ended has nothing to continue: its journal would only stand in the way of the
        // next job in this folder.
        std::error_code ec;
        std::filesystem::remove(opt_.journal, ec);
        return 0;
    }

    const MpiOptions& opt_;
    const Solver& solver_;
    const solve::Problem& p_;
    int ranks_;
    std::uint64_t wanted_ = 0;
    work::JournalFile journal_;
    work::JournalState totals_;
    std::deque<std::pair<std::size_t, Prefix>> queue_;
    std::map<int, std::size_t> running_;  // rank -> unit
    std::deque<int> idle_;
    std::vector<bool> asked_;
    UnitThread local_;  // rank 0's own search
    std::size_t next_id_ = 0;
    bool finishing_ = false, failed_ = false, stopping_ = false;
    const Clock::time_point started_ = Clock::now();
    ProgressLine line_{opt_.quiet, opt_.progress_every_s};
};

}  // namespace

namespace {

// Of the exit statuses of several solves, the one the batch ends with: a failure before bad
// input before a stop before success.
int worse(int a, int b) {
    static constexpr int kRank[4] = {0, 3, 2, 1};  // by status 0, 1, 2, 3
    const auto rank_of = [](int s) { return s >= 0 && s <= 3 ? kRank[s] : 3; };
    return rank_of(a) >= rank_of(b) ? a : b;
}

}  // namespace

int mpi_solve(const MpiOptions& opt, int rank, int ranks) {
    MemoryPanel panel;
    std::unique_ptr<Solver> solver;
    auto problem = std::make_unique<solve::Problem>();
    // Every rank builds the problem from the same files; rank 0 alone speaks of faults.
    if (rank != 0 && opt.quiet) {
        std::FILE* silenced = std::freopen("/dev/null", "w", stderr);
        (void)silenced;  // without /dev/null the rank speaks after all
    }
    const int loaded = solve::load_problem(opt, panel, solver, *problem) ? 1 : 0;
    int everywhere = 0;
    MPI_Allreduce(&loaded, &everywhere, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    if (!everywhere) return 2;
    std::uint64_t fingerprint = problem->fingerprint;
    MPI_Bcast(&fingerprint, 1, MPI_UINT64_T, 0, MPI_COMM_WORLD);
    if (fingerprint != problem->fingerprint) {
        std::fprintf(stderr, "tessera-mpi: rank %d built another problem than rank 0 (other files?)\n", rank);
        MPI_Abort(MPI_COMM_WORLD, 2);
    }
    // mpirun passes Ctrl-C and SIGTERM on to every rank: rank 0 ends the job cleanly, the others
    // go on until it tells them to hand back their units.
    catch_stop_signals();
    if (rank != 0) {
        work(opt, *solver, *problem);
        return 0;
    }
    return Master(opt, *solver, *problem, ranks).run();
}

// One job for many problems: each line of `list` holds the options of one solve, solved one
// after another by every rank, so that the job's start and end are paid once. Every rank reads
// the list (the ranks share the files, as they share the piece files). A line's journal is
// mpi_journal_N.txt for its N-th problem unless the line names one.
int mpi_batch(const std::string& list, int rank, int ranks, const LineParser& parse) {
    const FileText file = read_text_file(list, std::size_t{16} << 20);
    int readable = file.ok() ? 1 : 0, everywhere = 0;
    MPI_Allreduce(&readable, &everywhere, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    if (!everywhere) {
        if (rank == 0)
            std::fprintf(stderr, "%s: cannot be read%s\n", list.c_str(),
                         file.ok() ? " on every rank" : (" (" + file.fault + ")").c_str());
        return 2;
    }
    std::istringstream in(file.text);
    int status = 0, problem = 0;
    std::string line;
    for (long number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        // A signal ends the batch after the problem it stopped: rank 0 tells the others.
        int go_on = !stop_requested() ? 1 : 0;
        MPI_Bcast(&go_on, 1, MPI_INT, 0, MPI_COMM_WORLD);
        if (!go_on) break;
        MpiOptions opt;
        opt.journal = format("mpi_journal_%d.txt", ++problem);
        if (rank == 0) std::printf("problem %d: %s:%ld\n", problem, list.c_str(), number);
        if (const std::string fault = parse(line, opt); !fault.empty()) {
            if (rank == 0) std::fprintf(stderr, "%s:%ld: %s\n", list.c_str(), number, fault.c_str());
            status = worse(status, 2);
            continue;
        }
        status = worse(status, mpi_solve(opt, rank, ranks));
        std::fflush(stdout);
    }
    return status;
}

}  // namespace tessera::mpi
