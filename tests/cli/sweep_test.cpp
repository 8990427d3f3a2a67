// tessera sweep and sweep-report as a user runs them: settings run in their own folders, the
// report checks every "var_" file, and a folder that holds something is never overwritten.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace tessera {
namespace {

using test::file_exists;
using test::read_file;
using test::run_tessera;
using test::write_file;

// Region row 2, columns 19..21: from the first point 2,19 each first piece of the gap pair
// fills it after one pass, so the setting writes var_1.txt and var_2.txt.
constexpr const char* kTwoSettings =
    "sweep --first 2,19 --first 5,19 --limits --margin-start 1,18 --margin-end 18,19 --time-limit 20 -o sw";

class SweepCliTest : public ::testing::Test {
protected:
    void SetUp() override { write_file("zdroj.txt", test::kGapPair); }
    test::ScratchDir dir;
};

TEST_F(SweepCliTest, EverySettingRunsInItsFolderAndTheReportChecksItsFiles) {
    const test::Outcome run = run_tessera(kTwoSettings);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(file_exists("sw/first_2_19/var_2.txt"));
    EXPECT_TRUE(std::filesystem::is_symlink("sw/first_5_19/zdroj.txt"));

    const test::Outcome report = run_tessera("sweep-report sw");
    EXPECT_EQ(report.status, 0) << report.out << report.err;
    EXPECT_NE(report.out.find("var_1.txt ok, var_2.txt ok"), std::string::npos) << report.out;
    EXPECT_NE(report.out.find("settings=2 done=2 var_files=2 failed_checks=0"), std::string::npos) << report.out;
    const std::string csv = read_file("sw/report.csv");
    EXPECT_NE(csv.find("\n2,19,done,2,2,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",2,2,var_1.txt;var_2.txt\n"), std::string::npos) << csv;
}

TEST_F(SweepCliTest, ReportFlagsAFileThatFailsItsCheckAndASettingNotRun) {
    ASSERT_EQ(run_tessera(kTwoSettings).status, 0);
    write_file("sw/first_2_19/var_7.txt", "1 2 19 1\n");  // the region is not full
    std::filesystem::remove("sw/first_5_19/search.log");
    const test::Outcome report = run_tessera("sweep-report sw");
    EXPECT_EQ(report.status, 1);
    EXPECT_NE(report.out.find("var_7.txt FAILED: 1 cells of the limit region are not complete"), std::string::npos)
        << report.out;
    EXPECT_NE(report.out.find("5,19      not run"), std::string::npos) << report.out;

    std::filesystem::remove("sw/first_2_19/var_7.txt");
    EXPECT_EQ(run_tessera("sweep-report sw").status, 3) << "a setting is not done";
}

TEST_F(SweepCliTest, SlurmWritesAJobArrayWhoseTasksRunOneSettingEach) {
    const test::Outcome made = run_tessera(std::string(kTwoSettings) + " --slurm");
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string job = read_file("sw/job.sbatch");
    for (const char* line : {"#SBATCH --array=1-2\n", "#SBATCH --requeue\n", "/sw/logs/task_%a.err\n"})
        EXPECT_NE(job.find(line), std::string::npos) << line << " in\n" << job;
    EXPECT_FALSE(file_exists("sw/first_2_19/search.log")) << "nothing runs before the job";

    const test::Outcome task = run_tessera("sweep --task 1 -o sw");
    EXPECT_EQ(task.status, 0) << task.err;
    EXPECT_NE(task.out.find("steps=2 "), std::string::npos) << task.out;
    EXPECT_TRUE(file_exists("sw/first_2_19/search.log"));
    EXPECT_FALSE(file_exists("sw/first_5_19/search.log"));

    const test::Outcome beyond = run_tessera("sweep --task 3 -o sw");
    EXPECT_EQ(beyond.status, 2);
    EXPECT_EQ(beyond.err, "--task: 3 is not a setting of this sweep (1..2)\n");
}

TEST_F(SweepCliTest, BadInputIsOneLineAndTouchesNothing) {
    std::filesystem::create_directory("sw");
    write_file("sw/kept.txt", "kept\n");
    const struct {
        const char* args;
        const char* err;
    } cases[] = {
        {kTwoSettings, "sw: exists and is not empty; a sweep needs a new folder\n"},
        {"sweep --first 2x19 --time-limit 1 -o new", "--first: '2x19' is not a pair X,Y of whole numbers\n"},
        {"sweep --first 2,19 --first 2,19 --time-limit 1 -o new", "--first: 2,19 is given twice\n"},
        {"sweep --first 40,19 --time-limit 1 -o new",
         "--first: first point 40,19 lies outside the board (X 0..31, Y 0..54)\n"},
        {"sweep-report kept", "kept/sweep.txt: cannot be read (No such file or directory); not a sweep folder?\n"},
        {"sweep --first 2,19 --time-limit 1 --slurm -o 'new one'",
         "-o: 'new one' holds a blank or a quote, which a job script cannot name\n"},
    };
    for (const auto& c : cases) {
        const test::Outcome r = run_tessera(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
    }
    EXPECT_EQ(read_file("sw/kept.txt"), "kept\n");
    EXPECT_FALSE(file_exists("new"));
}

}  // namespace
}  // namespace tessera
