#include "work/sweep_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "app/files.h"
#include "app/start_up.h"
#include "app/stop_signals.h"
#include "search/atomic_file.h"

extern char** environ;

namespace tessera::work {

namespace {

namespace fs = std::filesystem;

// A search's log: its last status lines and a few of its own.
constexpr std::size_t kLogLimit = std::size_t{16} << 20;

// The stop signals end the searches that run and start no more; each search ends cleanly and
// its log is kept, marked as stopped.
volatile std::sig_atomic_t g_stopped = 0;
constexpr int kMaxChildren = 256;
std::atomic<pid_t> g_children[kMaxChildren];

extern "C" void on_sweep_signal(int) {
    g_stopped = 1;
    for (std::atomic<pid_t>& child : g_children) {
        const pid_t pid = child.load();
        if (pid > 0) ::kill(pid, SIGTERM);
    }
}

void catch_sweep_signals() { tessera::catch_stop_signals(on_sweep_signal); }

// Starts `tessera ARGS` with standard output and standard error in `out_path`; 0 or an errno.
int spawn_tessera(std::vector<std::string> args, const fs::path& out_path, pid_t& pid) {
    args.insert(args.begin(), own_binary());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int err = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return err;
}

// The exit status of a child, or 128 + the signal that ended it.
int wait_status(pid_t pid) {
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0)
        if (errno != EINTR) return 127;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// Runs `tessera search` for one setting in its folder with its output in a scratch file, and
// then keeps that output, with the way it ended, as the setting's "search.log" (so a log is
// there only for a run that ended, and a rerun replaces it whole).
int run_setting(const std::string& dir, const SweepPlan& plan, std::size_t index, int slot) {
    const SweepSetting& setting = plan.settings[index];
    const fs::path folder = fs::path(dir) / work::setting_folder(setting);
    const fs::path scratch = folder / ".search.log.part";
    std::vector<std::string> args = work::search_args(plan, setting);
    args.insert(args.end(), {"-C", folder.string()});
    pid_t pid = 0;
    const int spawned = g_stopped ? ECANCELED : spawn_tessera(args, scratch, pid);
    if (spawned != 0) {
        std::fprintf(stderr, "%s: the search could not be started (%s)\n", folder.c_str(), std::strerror(spawned));
        return 1;
    }
    g_children[slot].store(pid);
    const int status = wait_status(pid);
    g_children[slot].store(0);
    const std::string log = read_text_file(scratch.string(), kLogLimit).text + (g_stopped ? "sweep: stopped\n" : "") +
                            "sweep: status=" + std::to_string(status) + "\n";
    if (!write_or_say((folder / work::kSearchLog).string(), log)) return 1;
    fs::remove(scratch);
    return status;
}

// The settings one after another on `jobs` worker threads, each waiting for its own process.
int run_locally(const std::string& dir, const SweepPlan& plan, unsigned jobs) {
    std::atomic<std::size_t> next{0};
    std::atomic<int> failed{0};
    std::mutex print;
    const unsigned workers = std::min<unsigned>({jobs, static_cast<unsigned>(plan.settings.size()), kMaxChildren});
    std::vector<std::thread> pool;
    for (unsigned w = 0; w < workers; ++w)
        pool.emplace_back([&, w] {
            for (std::size_t i = next++; i < plan.settings.size() && !g_stopped; i = next++) {
                const int status = run_setting(dir, plan, i, static_cast<int>(w));
                if (status != 0) ++failed;
                const std::lock_guard<std::mutex> lock(print);
                const std::string how = g_stopped     ? "stopped"
                                        : status == 0 ? "done"
                                                      : "exit status " + std::to_string(status);
                std::printf("%s: %s\n", work::setting_folder(plan.settings[i]).c_str(), how.c_str());
                std::fflush(stdout);
            }
        });
    for (std::thread& t : pool) t.join();
    return g_stopped ? 3 : failed != 0 ? 1 : 0;
}

}  // namespace

int run_sweep_locally(const std::string& dir, const SweepPlan& plan, unsigned jobs) {
    catch_sweep_signals();
    return run_locally(dir, plan, jobs);
}

bool make_sweep_folder(const std::string& dir, const std::string& pieces_path, const SweepPlan& plan) {
    std::error_code ec;
    if (fs::exists(dir, ec) && !fs::is_empty(dir, ec)) {
        std::fprintf(stderr, "%s: exists and is not empty; a sweep needs a new folder\n", dir.c_str());
        return false;
    }
    const FileText pieces = read_text_file(pieces_path);
    if (!pieces.ok()) {
        std::fprintf(stderr, "%s: cannot be read (%s)\n", pieces_path.c_str(), pieces.fault.c_str());
        return false;
    }
    fs::create_directories(fs::path(dir) / "logs", ec);
    int err = ec ? ec.value() : write_file_atomically((fs::path(dir) / kPieceFile).string(), pieces.text);
    for (std::size_t i = 0; i < plan.settings.size() && err == 0; ++i) {
        const fs::path folder = fs::path(dir) / setting_folder(plan.settings[i]);
        fs::create_directory(folder, ec);
        if (!ec) fs::create_symlink(fs::path("..") / kPieceFile, folder / kPieceFile, ec);
        if (ec) fs::copy_file(fs::path(dir) / kPieceFile, folder / kPieceFile, ec);
        err = ec.value();
    }
    if (err != 0) {
        std::fprintf(stderr, "%s: cannot be written (%s)\n", dir.c_str(), std::strerror(err));
        return false;
    }
    return write_or_say((fs::path(dir) / kPlanFile).string(), plan_text(plan));
}


int write_sweep_job(const std::string& dir, const SweepPlan& plan) {
    const std::string absolute = fs::absolute(dir).lexically_normal().string();
    const std::string path = absolute + "/job.sbatch";
    if (!write_or_say(path, sweep_job_script(own_binary(), absolute, plan))) return 1;
    std::printf("%zu settings; submit the job array with: sbatch %s\n", plan.settings.size(), path.c_str());
    std::printf("then read the results with: tessera sweep-report %s\n", absolute.c_str());
    return 0;
}


int run_sweep_task(const std::string& dir, int task) {
    SweepPlan plan;
    const std::string fault = read_plan((fs::path(dir) / kPlanFile).string(), plan);
    if (!fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return 2;
    }
    if (task < 1 || static_cast<std::size_t>(task) > plan.settings.size()) {
        std::fprintf(stderr, "--task: %d is not a setting of this sweep (1..%zu)\n", task, plan.settings.size());
        return 2;
    }
    catch_sweep_signals();
    const SweepSetting& setting = plan.settings[static_cast<std::size_t>(task - 1)];
    const int status = run_setting(dir, plan, static_cast<std::size_t>(task - 1), 0);
    // The job's own output file then tells the same as the setting's log.
    std::printf("%s\n%s", setting_folder(setting).c_str(),
                read_text_file((fs::path(dir) / setting_folder(setting) / kSearchLog).string(), kLogLimit)
                    .text.c_str());
    return status;
}


int report_sweep(const std::string& dir) {
    SweepPlan plan;
    const std::string fault = read_plan((fs::path(dir) / kPlanFile).string(), plan);
    if (!fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return 2;
    }
    MemoryPanel panel;
    const std::unique_ptr<Solver> solver = start_up(panel, "", (fs::path(dir) / kPieceFile).string());
    if (!solver) return 2;
    const std::vector<SettingReport> rows = sweep_report(*solver, dir, plan);
    const std::string csv = (fs::path(dir) / "report.csv").string();
    if (!write_or_say(csv, report_csv(rows))) return 1;
    std::size_t done = 0, found = 0, failed = 0;
    for (const SettingReport& row : rows) {
        done += row.state == "done" ? 1 : 0;
        for (const VarFile& v : row.var_files) (v.fault.empty() ? found : failed) += 1;
    }
    std::fputs(report_table(rows).c_str(), stdout);
    std::printf("settings=%zu done=%zu var_files=%zu failed_checks=%zu csv=%s\n", rows.size(), done, found + failed,
                failed, csv.c_str());
    return failed != 0 ? 1 : done < rows.size() ? 3 : 0;
}

}  // namespace tessera::work
