// What a solve's files may meet: outputs that cannot be written or that name an input, names
// that are no files, checkpoints and unit files cut, edited or copied from another run, a
// solution that cannot be written, a kill in the first seconds. Each is refused in one line
// before any work, or ends with the count of an undisturbed solve; never a wrong count with
// exit status 0.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "cli/cli_support.h"
#include "test_support.h"

namespace tessera {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

// The summary line's counts, without the nodes (which differ from run to run).
std::string counts(const std::string& out) {
    const std::size_t at = out.rfind("solutions=");
    return at == std::string::npos ? out : out.substr(at, out.find(" nodes=", at) - at);
}

test::RunResult run(const std::vector<std::string>& args, const std::function<void()>& in_child = {}) {
    return test::run_tessera(args, in_child);
}

class SolveFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"zdroj.txt", "partial_6.txt", "partial_20.txt"})
            fs::copy_file(test::shipped_data() / name, dir.path() / name);
        // The solution less its last 58 pieces: a count of a few seconds.
        const std::vector<std::string> lines = test::lines_of(read_file(test::shipped_data() / "solution.txt"));
        std::string text;
        for (std::size_t i = 0; i < 151; ++i) text += lines[i] + "\n";
        write_file("big.txt", text);
        ASSERT_EQ(::mkfifo("fifo", 0644), 0);
        fs::create_directory("folder");
    }
    static test::RunResult solve(std::vector<std::string> args) {
        args.insert(args.begin(), {"solve", "--quiet"});
        return run(args);
    }
    // A count of big.txt stopped early, with its checkpoint in `path`.
    static void stopped_count(const std::string& path) {
        const test::RunResult r =
            solve({"--resume", "big.txt", "--count", "--threads", "1", "--time-limit", "0.1", "--checkpoint", path});
        ASSERT_EQ(r.status, 3) << r.err;
    }
    const std::string& single() {
        if (single_.empty()) single_ = counts(solve({"--resume", "big.txt", "--count"}).out);
        return single_;
    }
    test::ScratchDir dir;
    std::string single_;
};

TEST_F(SolveFaultsTest, OutputsAreTriedBeforeTheSearchAndNeverOverwriteAnInput) {
    write_file("keep.txt", read_file("partial_6.txt"));
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"--resume", "keep.txt", "--checkpoint", "keep.txt"},
         "--checkpoint: 'keep.txt' is the resume placement; an output never overwrites an input"},
        {{"--resume", "keep.txt", "--checkpoint", "zdroj.txt"}, "--checkpoint: 'zdroj.txt' is the piece file"},
        {{"--resume", "keep.txt", "-o", "./keep.txt"}, "-o: './keep.txt' is the resume placement"},
        {{"--resume", "keep.txt", "-o", "nowhere/s.txt"}, "-o: cannot write 'nowhere/s.txt' (No such file or directory)"},
        {{"--resume", "keep.txt", "--checkpoint", "nowhere/c.txt"}, "--checkpoint: cannot write 'nowhere/c.txt'"},
        {{"--resume", "keep.txt", "--checkpoint", "fifo"}, "--checkpoint: cannot write 'fifo' (not a regular file)"},
        {{"--resume", "keep.txt", "--checkpoint", "folder"}, "--checkpoint: cannot write 'folder' (a folder)"},
        {{"--resume", "keep.txt", "-o", "fifo"}, "-o: cannot write 'fifo' (a pipe that nobody reads)"},
        {{"--resume", "keep.txt", "-o", "/dev/null", "--max-solutions", "2"}, "-o: '/dev/null' is a device or a pipe"},
        {{"--resume", "keep.txt", "-o", "s.txt", "--checkpoint", "s.txt"}, "-o: 's.txt' is the checkpoint too"},
        {{"--continue", "fifo"}, "fifo: cannot read the checkpoint (not a regular file)"},
        {{"--continue", "/dev/zero"}, "/dev/zero: cannot read the checkpoint (not a regular file)"},
        {{"--continue", "folder"}, "folder: cannot read the checkpoint (Is a directory)"},
        {{"--continue", ""}, "--continue: an empty value names nothing"},
        {{"--checkpoint", ""}, "--checkpoint: an empty value names nothing"},
        {{"--manifest", "", "--unit", "1"}, "--manifest: an empty value names nothing"},
        {{"--threads", "abc"}, "--threads: 'abc' is not a whole number"},
        {{"--threads", "0"}, "--threads: '0' is not from 1 to 1024"},
        {{"--checkpoint-every", "0"}, "--checkpoint-every: '0' is not a number of seconds above 0"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& a : c.args) shown += a + " ";
        SCOPED_TRACE(shown);
        const test::RunResult r = solve(c.args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(test::messages(r.err).size(), 1u) << r.err;
        EXPECT_EQ(read_file("keep.txt"), read_file("partial_6.txt"));
        EXPECT_FALSE(test::file_exists("solved.txt"));
    }
}

TEST_F(SolveFaultsTest, ACheckpointCutEditedOrOfAnotherPartIsRefusedNeverCounted) {
    stopped_count("cp.txt");
    const std::string text = read_file("cp.txt");
    const std::vector<std::string> lines = test::lines_of(text);
    const auto join = [](const std::vector<std::string>& ls) {
        std::string out;
        for (const std::string& l : ls) out += l + "\n";
        return out;
    };
    std::size_t counts_line = 0, units_line = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("solutions ", 0) == 0) counts_line = i;
        if (lines[i].rfind("units ", 0) == 0) units_line = i;
    }
    ASSERT_GT(lines.size(), units_line + 3) << text;
    std::vector<std::string> edited = lines, doubled = lines, halved = lines;
    const std::size_t tilings = edited[counts_line].find(" tilings");
    ASSERT_NE(tilings, std::string::npos);
    edited[counts_line] = lines[counts_line].substr(0, tilings) + "7" + lines[counts_line].substr(tilings);
    doubled.insert(doubled.begin() + static_cast<long>(units_line) + 1, lines[units_line + 1]);
    halved.erase(halved.begin() + static_cast<long>(units_line) + 2, halved.end() - 1);
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"the counts line edited", join(edited)},
        {"a unit line doubled", join(doubled)},
        {"half the units dropped", join(halved)},
        {"cut short", text.substr(0, text.size() / 2)},
        {"the seal cut off", join({lines.begin(), lines.end() - 1})},
    };
    for (const auto& c : cases) {
        write_file("bad.txt", c.text);
        const test::RunResult r = solve({"--continue", "bad.txt", "--count"});
        EXPECT_EQ(r.status, 2) << c.what << ": " << r.out;
        EXPECT_NE(r.err.find("bad.txt: the checkpoint is cut short or changed (its seal does not match)"),
                  std::string::npos)
            << c.what << ": " << r.err;
    }
    // The checkpoint as it was continues, alone, to the single count and is kept up to date.
    const test::RunResult r = solve({"--continue", "cp.txt", "--count"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(counts(r.out), single());
    EXPECT_NE(read_file("cp.txt").find("\nunits 0\n"), std::string::npos) << "the finished count is in the file";
}

TEST_F(SolveFaultsTest, ACheckpointOfAnotherProblemSaysWhichPartDiffers) {
    stopped_count("cp.txt");
    write_file("other.txt", read_file("zdroj.txt") + "\n");  // the same pieces, another file
    write_file("changed.txt", read_file("zdroj.txt"));
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"--resume", "partial_20.txt"}, "the checkpoint belongs to another problem: the resume placement ("},
        {{"--resume", "big.txt", "--limits"}, "the checkpoint belongs to another problem: the region (--limits on here"},
        {{"--resume", "big.txt", "--pieces", "other.txt"}, "the checkpoint belongs to another problem: the piece file ("},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--continue", "cp.txt", "--count"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const test::RunResult r = solve(args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    // The same files named again, or a copy with the same bytes, are the same problem.
    const test::RunResult again = solve({"--continue", "cp.txt", "--count", "--resume", "big.txt"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(counts(again.out), single());
    // A piece file changed since the checkpoint: a continue on its own says so.
    stopped_count("cp2.txt");
    write_file("zdroj.txt", read_file("zdroj.txt") + "\n");
    const test::RunResult changed = solve({"--continue", "cp2.txt", "--count"});
    EXPECT_EQ(changed.status, 2);
    EXPECT_NE(changed.err.find("zdroj.txt' has changed (its SHA-256 differs) since the checkpoint"), std::string::npos)
        << changed.err;
}

TEST_F(SolveFaultsTest, AUnitsCheckpointOrFileFromAnotherUnitIsRefused) {
    fs::copy_file(test::shipped_data() / "partial_30.txt", "partial_30.txt");
    // Two splits of a problem whose units take seconds each, with checkpoints of units stopped at
    // once: unit 2 of s, unit 1 of t.
    ASSERT_EQ(run({"split", "--resume", "partial_30.txt", "--count", "--units", "2", "-o", "s"}).status, 0);
    ASSERT_EQ(run({"split", "--resume", "partial_30.txt", "--count", "--units", "3", "-o", "t"}).status, 0);
    for (const auto& [split, unit] : {std::pair{"s", "2"}, std::pair{"t", "1"}}) {
        const test::RunResult r = test::run_tessera(
            {"solve", "--quiet", "--threads", "1", "--manifest", split, "--unit", unit, "--time-limit", "0.000001"});
        ASSERT_EQ(r.status, 3) << r.err;
    }
    const std::string unit2 = read_file("s/unit_000002.checkpoint");
    const struct {
        const char* what;
        std::string file, text;
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {"unit 2's checkpoint as unit 1's", "s/unit_000001.checkpoint", unit2, {"--manifest", "s", "--unit", "1"},
         "the checkpoint covers unit 2 of this split, not unit 1"},
        {"the same unit of another split", "s/unit_000001.checkpoint", read_file("t/unit_000001.checkpoint"),
         {"--manifest", "s", "--unit", "1"}, "covers unit 1 of another split (its manifest differs), not of this one"},
        {"a unit's checkpoint for the whole problem", "", "", {"--continue", "s/unit_000002.checkpoint", "--count"},
         "the checkpoint covers unit 2 of a split; go on with tessera solve --manifest DIR --unit 2"},
        {"a unit file copied over another", "s/unit_000001.txt", read_file("s/unit_000002.txt"),
         {"--manifest", "s", "--unit", "1"}, "not the unit that was split (its SHA-256 differs from the manifest's)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool was_there = !c.file.empty() && test::file_exists(c.file);
        const std::string kept = was_there ? read_file(c.file) : "";
        if (!c.file.empty()) write_file(c.file, c.text);
        std::vector<std::string> args = {"solve", "--quiet"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const test::RunResult r = run(args);
        EXPECT_EQ(r.status, 2) << r.out;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        if (was_there)
            write_file(c.file, kept);
        else if (!c.file.empty())
            fs::remove(c.file);
    }
    EXPECT_EQ(read_file("s/unit_000002.checkpoint"), unit2) << "a refused checkpoint is kept";
}

// A damaged unit checkpoint: the task solves every other unit, says which one it left, and the
// merge counts only what is whole; once it is removed, the unit is solved from its start.
TEST_F(SolveFaultsTest, WorkGoesOnPastADamagedUnitAndSaysSo) {
    ASSERT_EQ(run({"split", "--resume", "big.txt", "--count", "--units", "8", "-o", "s"}).status, 0);
    write_file("s/unit_000002.checkpoint", "tessera solve checkpoint 2\ngarbage\n");
    const test::RunResult work = run({"work", "--task", "1", "s"});
    EXPECT_EQ(work.status, 1) << work.err;
    EXPECT_NE(work.err.find("s/unit_000002.checkpoint: the checkpoint is cut short or changed"), std::string::npos)
        << work.err;
    EXPECT_NE(work.err.find(" units solved, 1 failed, 0 folders skipped"), std::string::npos) << work.err;
    const test::RunResult merge = run({"merge", "s"});
    EXPECT_EQ(merge.status, 3);
    EXPECT_NE(merge.out.find("complete=no units_done="), std::string::npos) << merge.out;
    fs::remove("s/unit_000002.checkpoint");
    ASSERT_EQ(run({"work", "--task", "1", "s"}).status, 0);
    EXPECT_EQ(counts(run({"merge", "s"}).out).substr(0, single().find(" tilings")),
              single().substr(0, single().find(" tilings")));

    // A task given nothing it can work on did nothing: it says so.
    const test::RunResult idle = run({"work", "--task", "1", "folder", "nowhere"});
    EXPECT_EQ(idle.status, 2);
    EXPECT_NE(idle.err.find("work: no folder could be worked on; nothing was done"), std::string::npos) << idle.err;
}

// A solution that cannot be written (here a file size limit, as a full disk) is printed on
// standard output and not counted as written: no checkpoint says it was, and a unit's rerun
// writes it.
TEST_F(SolveFaultsTest, ASolutionThatCannotBeWrittenIsShownAndNotCountedAsWritten) {
    const auto small_files = [] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1500, 1500};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    };
    const test::RunResult r = run(
        {"solve", "--quiet", "--resume", "partial_6.txt", "--checkpoint", "cp.txt"}, small_files);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("Nemohu zapsat vysledny soubor: 'solved.txt' (File too large); the solution is printed on "
                         "standard output instead"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(test::file_exists("solved.txt"));
    EXPECT_FALSE(test::file_exists("cp.txt")) << "no checkpoint counts the solution that did not land";
    const std::string shown = r.out.substr(0, r.out.rfind("solutions="));
    EXPECT_EQ(test::lines_of(shown).size(), 209u);

    ASSERT_EQ(run({"split", "--resume", "partial_6.txt", "--units", "1", "--max-solutions", "1", "-o", "s"})
                  .status,
              0);
    const std::vector<std::string> unit = {"solve", "--quiet", "--manifest", "s", "--unit", "1"};
    EXPECT_EQ(run(unit, small_files).status, 1);
    EXPECT_EQ(run(unit).status, 0) << "the rerun writes the solution";
    const test::RunResult merge = run({"merge", "s"});
    EXPECT_EQ(merge.status, 0) << merge.out;
    EXPECT_EQ(read_file("s/solved_1.txt"), shown);
}

// A kill in the first seconds of a count leaves a checkpoint to go on from.
TEST_F(SolveFaultsTest, AKillSoonAfterTheStartLeavesACheckpoint) {
    const pid_t pid = test::start_tessera({"solve", "--quiet", "--resume", "big.txt", "--count", "--threads", "1",
                                           "--checkpoint", "cp.txt", "--checkpoint-every", "0.2"});
    for (int i = 0; i < 100 && !test::file_exists("cp.txt"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::kill(pid, SIGKILL);
    test::wait_for(pid);
    ASSERT_TRUE(test::file_exists("cp.txt"));
    const test::RunResult r = solve({"--continue", "cp.txt", "--count"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(counts(r.out), single());
}

}  // namespace
}  // namespace tessera
