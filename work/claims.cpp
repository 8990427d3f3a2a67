#include "work/claims.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/files.h"
#include "app/stop_signals.h"
#include "solve/run.h"
#include "work/split_folder.h"

namespace tessera::work {

namespace fs = std::filesystem;

namespace {

// A task's claims in one split folder. DIR/claims/.task_ID holds "ID JOB"; the claim of unit K
// is DIR/claims/unit_NNNNNN, a hard link to it. link(2) fails when the name exists, so of two
// tasks that try one unit only one gets it, and the claim names its holder.
class Claims {
public:
    Claims(const std::string& dir, const std::string& task)
        : claims_(fs::path(dir) / "claims"), own_(claims_ / (".task_" + task)), task_(task) {}

    // Makes the claims folder and the task's own file; false after one line.
    bool open(const std::string& job) {
        std::error_code ec;
        fs::create_directories(claims_, ec);
        if (!ec && write_or_say(own_.string(), task_ + " " + job + "\n")) return true;
        std::fprintf(stderr, "%s: cannot write its claims; skipped\n", claims_.parent_path().c_str());
        return false;
    }
    // The task that holds unit k (the claim's first word); empty when none does, "?" for a claim
    // that cannot be read (it is left alone).
    std::string holder(std::size_t k) const {
        if (!file_exists(of(k).string())) return {};
        const FileText claim = read_text_file(of(k).string(), 4096);
        if (!claim.ok()) return "?";
        return claim.text.substr(0, claim.text.find_first_of(" \n"));
    }
    enum class Claim { Got, Taken, Failed };
    Claim claim(std::size_t k) const {
        std::error_code ec;
        fs::create_hard_link(own_, of(k), ec);
        if (!ec) return Claim::Got;
        return file_exists(of(k).string()) ? Claim::Taken : Claim::Failed;
    }
    // A claim held by a task that will not run again becomes this task's.
    bool take_over(std::size_t k) const {
        const fs::path next = claims_ / (".take_" + task_);
        std::error_code ec;
        fs::remove(next, ec);
        fs::create_hard_link(own_, next, ec);
        if (!ec) fs::rename(next, of(k), ec);
        return !ec;
    }
    fs::path of(std::size_t k) const { return claims_ / unit_name(k, ""); }

private:
    fs::path claims_, own_;
    std::string task_;
};

// What a task did: units solved, units that failed (and were left), folders skipped.
struct WorkTally {
    std::size_t solved = 0, failed = 0, skipped = 0;
    bool stopped = false;
};

// One pass over a split folder: "held" continues the units this task holds (with --take-over,
// every claimed unit) that are not done; "new" claims and solves each unit no task holds. The
// units of one folder share a table of dead states. A unit that fails is reported and left;
// the pass goes on with the next.
void work_pass(const WorkOptions& opt, const std::string& dir, bool held, WorkTally& tally) {
    OpenSplit split;
    bool loaded = false;
    const auto skip = [&] {
        std::fprintf(stderr, "%s: skipped\n", dir.c_str());
        ++tally.skipped;
    };
    if (!read_split(dir, split)) return skip();
    const Claims claims(dir, opt.task);
    solve::SolveOptions unit;
    unit.threads = opt.threads;
    unit.quiet = true;
    std::unique_ptr<solve::DeadStates> table;
    for (std::size_t k = 1; k <= split.manifest.units; ++k) {
        if (stop_requested()) {
            tally.stopped = true;
            return;
        }
        const std::string holder = claims.holder(k);
        const bool mine =
            held ? !holder.empty() && holder != "?" && (holder == opt.task || opt.take_over) : holder.empty();
        UnitRecord record;
        if (!mine || unit_done(split, k, record)) continue;
        // The problem is built once a unit is to be solved, and before it is claimed: a folder
        // whose files have changed is left with no claim of this task.
        if (!loaded && !(loaded = load_split(split))) return skip();
        if (held && holder != opt.task) {
            std::fprintf(stderr, "task %s takes over %s from task %s\n", opt.task.c_str(), claims.of(k).c_str(),
                         holder.c_str());
            if (!claims.take_over(k)) {
                std::fprintf(stderr, "%s: cannot be taken over; the unit is left\n", claims.of(k).c_str());
                ++tally.failed;
                continue;
            }
        } else if (!held) {
            const Claims::Claim got = claims.claim(k);
            if (got == Claims::Claim::Taken) continue;
            if (got == Claims::Claim::Failed) {
                std::fprintf(stderr, "%s: cannot be made (the folder must take hard links); the folder is left\n",
                             claims.of(k).c_str());
                return skip();
            }
        }
        if (!table) table = std::make_unique<solve::DeadStates>();
        std::printf("%s unit %zu: ", dir.c_str(), k);
        std::fflush(stdout);
        const int status = solve_split_unit(split, k, unit, table.get());
        if (status == 0) {
            ++tally.solved;
        } else if (status == 3 && stop_requested()) {
            tally.stopped = true;
            return;
        } else {
            std::printf("failed\n");
            ++tally.failed;
        }
    }
}

}  // namespace

int run_work(const WorkOptions& opt) {
    if (opt.task.empty() || opt.task.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_-") !=
                                std::string::npos) {
        std::fprintf(stderr, "--task: '%s' is not a task name (letters, digits, - and _)\n", opt.task.c_str());
        return 2;
    }
    catch_stop_signals();
    std::vector<std::string> dirs;
    WorkTally tally;
    for (const std::string& dir : opt.dirs) {
        std::error_code ec;
        if (!fs::is_regular_file(fs::path(dir) / kManifestName, ec)) {
            std::fprintf(stderr, "%s: no manifest of a split here; skipped\n", dir.c_str());
            ++tally.skipped;
        } else if (Claims(dir, opt.task).open(opt.job)) {
            dirs.push_back(dir);
        } else {
            ++tally.skipped;
        }
    }
    for (const bool held : {true, false})
        for (const std::string& dir : dirs)
            if (!tally.stopped) work_pass(opt, dir, held, tally);
    if (std::fflush(stdout) != 0) return 1;
    if (tally.stopped) return 3;
    if (dirs.empty()) {
        std::fprintf(stderr, "work: no folder could be worked on; nothing was done\n");
        return 2;
    }
    if (tally.failed != 0 || tally.skipped != 0) {
        std::fprintf(stderr, "work: %zu units solved, %zu failed, %zu folders skipped\n", tally.solved, tally.failed,
                     tally.skipped);
        return 1;
    }
    return 0;
}

}  // namespace tessera::work
