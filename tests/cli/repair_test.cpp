// Whole boards from the command line: `repair` completes a placement, keeping what it can;
// `solve` without a resume placement goes to the fill and keeps the fullest placement when it
// runs out of time. Every board written passes the independent checker; bad input is refused
// before any work.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_support.h"
#include "test_support.h"

namespace tessera {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

class RepairTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"zdroj.txt", "partial_10.txt", "solution.txt"})
            fs::copy_file(test::shipped_data() / name, dir.path() / name);
        fs::create_directory("folder");
    }
    static test::RunResult tessera(const std::vector<std::string>& args) { return test::run_tessera(args); }
    static bool passes_full_check(const std::string& file) {
        return tessera({"check", "--full", file}).status == 0;
    }
    test::ScratchDir dir;
};

TEST_F(RepairTest, AGapTheWalkClosesKeepsEveryPiece) {
    const test::RunResult r = tessera({"repair", "partial_10.txt", "--quiet", "--threads", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("full=yes pieces=209 kept=199 of 199"), std::string::npos) << r.out;
    EXPECT_TRUE(passes_full_check("repaired.txt"));
}

struct Refused {
    std::vector<std::string> args;
    const char* says;
};

TEST_F(RepairTest, BadInputIsRefusedBeforeAnyWork) {
    write_file("cut.txt", "1 2 3\n");
    // Pieces that cannot make the board: the shipped set less the solution's last piece, and a
    // start of the solution's first five.
    const std::vector<std::string> solution = test::lines_of(read_file("solution.txt"));
    const std::string last = solution.back().substr(0, solution.back().find(' ') + 1);
    std::string fewer, five;
    for (const std::string& line : test::lines_of(read_file("zdroj.txt")))
        if (line.rfind(last, 0) != 0) fewer += line + "\n";
    for (std::size_t i = 0; i < 5; ++i) five += solution[i] + "\n";
    write_file("fewer.txt", fewer);
    write_file("five.txt", five);
    const Refused cases[] = {
        {{"repair", "missing.txt"}, "Predesle reseni nelze nacist ('missing.txt')"},
        {{"repair", "cut.txt"}, "cut.txt:1:"},
        {{"repair", "partial_10.txt", "-o", "folder/none/x.txt"}, "-o: cannot write"},
        {{"repair", "partial_10.txt", "-o", "partial_10.txt"}, "an output never overwrites an input"},
        {{"repair", "five.txt", "--pieces", "fewer.txt"}, "no full board exists"},
        {{"solve", "--pieces", "fewer.txt"}, "no full board exists"},
        {{"solve", "-o", "folder/none/x.txt"}, "-o: cannot write"},
        {{"repair", "partial_10.txt", "--seed", "x"}, "not a whole number"},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const test::RunResult r = tessera(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists("repaired.txt"));
}

TEST_F(RepairTest, ASolveOutOfTimeKeepsItsFullestPlacement) {
    const test::RunResult r = tessera({"solve", "--quiet", "--threads", "1", "--time-limit", "1"});
    if (r.status == 0) GTEST_SKIP() << "a full board in one second";
    ASSERT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.out.find("solutions=0 tilings=0 complete=no fill=yes"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists("solved.txt"));
    EXPECT_EQ(tessera({"check", "solved_best.txt"}).status, 0);
    // ... and repair goes on from it, keeping it up to date (here: out of time again, at once).
    const test::RunResult again = tessera({"repair", "solved_best.txt", "--quiet", "--time-limit", "0.5"});
    EXPECT_TRUE(again.status == 0 || again.status == 3) << again.err;
    EXPECT_EQ(tessera({"check", "repaired.txt"}).status, 0);
}

}  // namespace
}  // namespace tessera
