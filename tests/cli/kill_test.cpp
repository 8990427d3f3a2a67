// A search killed at any moment loses nothing but the passes since its last progress file:
// whatever "res_" file is there is complete, loads, and a search resumed from it goes on. A
// stop by signal writes the placement of the pass it stopped at.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>

#include "cli/cli_support.h"
#include "test_support.h"

namespace tessera {
namespace {

using test::file_names;
using test::read_file;
using test::write_file;

namespace fs = std::filesystem;

// The step count of a progress file's name "res_N.txt", or 0 for any other name.
long long progress_step(const std::string& name) {
    const std::string digits = "0123456789";
    const std::size_t end = name.find_first_not_of(digits, 4);
    if (name.rfind("res_", 0) != 0 || end == 4 || end == std::string::npos || name.substr(end) != ".txt") return 0;
    return std::stoll(name.substr(4, end - 4));
}

// A temporary file of a progress file: its name, ".tmp" and six characters.
bool is_temporary_of_progress_file(const std::string& name) {
    const std::size_t tmp = name.rfind(".tmp");
    return tmp != std::string::npos && name.size() == tmp + 10 && progress_step(name.substr(0, tmp)) > 0;
}

// The step count in the name of the newest progress file of a folder, or 0 when there is none.
long long newest_progress(const fs::path& folder) {
    long long newest = 0;
    for (const std::string& name : file_names(folder)) newest = std::max(newest, progress_step(name));
    return newest;
}

bool wait_for_progress_file(const fs::path& folder) {
    for (int i = 0; i < 20000; ++i) {
        if (newest_progress(folder) > 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// Every line four integers and a line break, as the program writes them.
bool is_placement_text(const std::string& text) {
    for (const std::string& line : test::lines_of(text)) {
        int a, b, c, d, n = 0;
        if (std::sscanf(line.c_str(), "%d %d %d %d%n", &a, &b, &c, &d, &n) != 4 ||
            static_cast<std::size_t>(n) != line.size())
            return false;
    }
    return text.empty() || text.back() == '\n';
}

class KillTest : public ::testing::Test {
protected:
    void SetUp() override {
        write_file("zdroj.txt", test::random_pieces(3));
        panel.set_text(Control::Edit10, "10");
        panel.set_text(Control::Edit11, "21");
        solver->FormCreate();
    }

    // The arguments of a search from `resume` (none when empty) run in `folder`.
    std::vector<std::string> search_args(const fs::path& folder, const std::string& resume) {
        std::vector<std::string> args = {"search", "-C", folder.string(), "--pieces", (dir.path() / "zdroj.txt").string(),
                                         "--first", "10,21", "--quiet"};
        if (!resume.empty()) args.insert(args.end(), {"--resume", resume});
        return args;
    }

    // "tuton.txt" of the same search stopped after `passes`: what the search held at that pass.
    std::string replay(const std::string& resume, long long passes, const std::string& tag) {
        const fs::path folder = dir.path() / ("replay-" + tag);
        fs::create_directory(folder);
        std::vector<std::string> args = search_args(folder, resume);
        args.insert(args.end(), {"--max-steps", std::to_string(passes), "--progress-every", "1000000000000"});
        const test::RunResult r = test::run_tessera(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("steps=" + std::to_string(passes) + " "), std::string::npos) << r.out;
        return read_file(folder / "tuton.txt");
    }

    test::ScratchDir dir;
    MemoryPanel panel;
    std::unique_ptr<Solver> solver = std::make_unique<Solver>(panel);
};

TEST_F(KillTest, NewestProgressFileAfterAKillIsCompleteLoadsAndResumes) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::string resume;  // each round resumes from the newest progress file of the round before
    int leftover_temporaries = 0;
    for (int round = 1; round <= 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const fs::path folder = dir.path() / ("round-" + std::to_string(round));
        fs::create_directory(folder);
        std::vector<std::string> args = search_args(folder, resume);
        args.insert(args.end(), {"--progress-every", "50"});
        const pid_t pid = test::start_tessera(args);
        ASSERT_TRUE(wait_for_progress_file(folder)) << "no progress file within 20 s";
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 150000));
        ::kill(pid, SIGKILL);
        const test::RunResult killed = test::wait_for(pid);
        ASSERT_EQ(killed.signal, SIGKILL) << "the search ended before the kill";

        // Only whole results carry a result's name; a write cut short leaves at most one
        // temporary file, named after its result with a suffix, never a "res_N.txt".
        int temporaries = 0;
        for (const std::string& name : file_names(folder)) {
            if (progress_step(name) > 0) {
                const std::string text = read_file(folder / name);
                EXPECT_TRUE(is_placement_text(text)) << name << ":\n" << text;
                EXPECT_EQ(solver->nacti_reseni((folder / name).c_str()), 0) << name;
            } else {
                EXPECT_TRUE(is_temporary_of_progress_file(name)) << "unexpected " << name;
                ++temporaries;
            }
        }
        EXPECT_LE(temporaries, 1);
        leftover_temporaries += temporaries;

        // The newest holds exactly the placement of its pass, it loads, and a search goes on
        // from it.
        const long long newest = newest_progress(folder);
        const std::string newest_path = (folder / ("res_" + std::to_string(newest) + ".txt")).string();
        const std::string text = read_file(newest_path);
        EXPECT_EQ(text, replay(resume, newest, std::to_string(round)));
        ASSERT_EQ(solver->nacti_reseni(newest_path.c_str()), 0);
        EXPECT_EQ(solver->state().depth, static_cast<int>(test::lines_of(text).size()));

        const fs::path onward = dir.path() / ("onward-" + std::to_string(round));
        fs::create_directory(onward);
        std::vector<std::string> more = search_args(onward, newest_path);
        more.insert(more.end(), {"--max-steps", "10"});
        const test::RunResult r = test::run_tessera(more);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("\nsteps=10 depth="), std::string::npos) << r.out;
        EXPECT_TRUE(is_placement_text(read_file(onward / "tuton.txt")));
        resume = newest_path;
    }
    std::printf("20 kills, %d left a temporary file behind\n", leftover_temporaries);
}

// Ctrl-C, SIGTERM, SIGHUP (a closed terminal), Ctrl-\ (SIGQUIT) and SIGUSR1 stop the search
// like the button: "tuton.txt" holds the placement of the pass at which it stopped, the same as
// a search stopped there by a step limit.
TEST_F(KillTest, InterruptTerminateOrHangupWritesTheCurrentPlacement) {
    std::mt19937 rng(std::random_device{}());
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1}) {
        SCOPED_TRACE(strsignal(sig));
        const std::string tag = std::to_string(sig);
        const fs::path folder = dir.path() / ("stopped-" + tag);
        fs::create_directory(folder);
        write_file(folder / "tuton.txt", "an older result\n");
        std::vector<std::string> args = search_args(folder, "");
        args.insert(args.end(), {"--progress-every", "1000"});
        const std::string out_path = (dir.path() / ("out-" + tag + ".txt")).string();
        const pid_t pid = test::start_tessera(args, out_path);
        ASSERT_TRUE(wait_for_progress_file(folder));
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 100000));
        ::kill(pid, sig);
        const test::RunResult r = test::wait_for(pid);
        ASSERT_EQ(r.status, 0);
        const std::string out = read_file(out_path);
        long long steps = 0;
        int depth = 0;
        const std::size_t at = out.find("steps=");
        ASSERT_TRUE(at != std::string::npos && std::sscanf(out.c_str() + at, "steps=%lld depth=%d", &steps, &depth) == 2)
            << out;
        const std::string tuton = read_file(folder / "tuton.txt");
        EXPECT_EQ(test::lines_of(tuton).size(), static_cast<std::size_t>(depth));
        // An empty board at that pass keeps the older result.
        EXPECT_EQ(tuton, depth == 0 ? "an older result\n" : replay("", steps, tag));
    }
}

}  // namespace
}  // namespace tessera
