// tessera solve as a user runs it: the summary line, the solution files, and bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/solver.h"
#include "search/placement_file.h"
#include "test_support.h"
#include "check/checker.h"

namespace tessera {
namespace {

class SolveCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"zdroj.txt", "partial_3.txt", "partial_6.txt", "partial_30.txt", "solution.txt"})
            std::filesystem::copy_file(test::shipped_data() / name, dir.path() / name);
    }
    std::string last_line(const std::string& out) {
        const std::size_t end = out.find_last_not_of('\n');
        const std::size_t start = out.rfind('\n', end);
        return out.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
    }
    test::ScratchDir dir;
};

// --max-solutions N writes N different tilings, each named on standard error as checked: the
// solutions that only swap pieces of one shape are counted, not written again.
TEST_F(SolveCliTest, EverySolutionFileIsADifferentFullBoardThatTheCheckerPasses) {
    MemoryPanel panel;
    Solver solver(panel);
    solver.FormCreate();
    const struct {
        const char* resume;
        std::size_t files;
        const char* summary;
    } cases[] = {
        {"partial_6.txt", 1, "solutions=4 tilings=1"},  // one tiling: one file, and the walk ends
        {"partial_30.txt", 3, "complete=no"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.resume);
        const test::Outcome o = test::run_tessera(std::string("solve --max-solutions 3 --quiet --resume ") + c.resume);
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_NE(last_line(o.out).find(c.summary), std::string::npos) << o.out;
        std::vector<std::string> texts;
        for (std::size_t n = 1; n <= 3; ++n) {
            const std::string name = "solved_" + std::to_string(n) + ".txt";
            if (n > c.files) {
                EXPECT_FALSE(test::file_exists(name)) << name;
                continue;
            }
            auto list = std::make_unique<PlacementList>();
            ASSERT_EQ(read_placement_file(name.c_str(), *list), "") << name;
            EXPECT_TRUE(check::check_placement(solver.state().prvky, *list, name).complete()) << name;
            EXPECT_NE(o.err.find("solution " + std::to_string(n) + " written to '" + name +
                                 "', checked by the independent checker"),
                      std::string::npos)
                << o.err;
            for (const std::string& other : texts) EXPECT_NE(test::read_file(name), other) << name;
            texts.push_back(test::read_file(name));
            std::filesystem::remove(name);
        }
    }
}

TEST_F(SolveCliTest, CountingEndsCompleteAndTheSameOnOneAndTwoThreads) {
    for (const char* threads : {"1", "2"}) {
        const test::Outcome o = test::run_tessera(std::string("solve --resume partial_6.txt --count --quiet --threads ") + threads);
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(last_line(o.out).substr(0, 32), "solutions=4 tilings=1 nodes=12 c");
    }
}

TEST_F(SolveCliTest, AnInvalidResumeIsRefusedWithTheSearchsOwnMessage) {
    test::write_file("bad.txt", "5 1 18 1\n5 1 18 1\n");
    const test::Outcome solve = test::run_tessera("solve --resume bad.txt --quiet");
    const test::Outcome search = test::run_tessera("search --resume bad.txt --quiet --max-steps 1");
    EXPECT_EQ(solve.status, 2);
    EXPECT_EQ(search.status, 2);
    EXPECT_EQ(solve.err, search.err);
}

TEST_F(SolveCliTest, AFullBoardIsItsOwnOneSolution) {
    const test::Outcome o = test::run_tessera("solve --resume solution.txt --quiet -o done.txt");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(last_line(o.out), "solutions=1 tilings=1 nodes=1 complete=no");
    EXPECT_EQ(test::read_file("done.txt"), test::read_file("solution.txt"));
}

// A region with no cell is refused; a region whose cells are all full already has its one
// solution, the resume placement.
TEST_F(SolveCliTest, ARegionWithNoCellsIsRefusedAndOneOfFullCellsIsSolved) {
    const test::Outcome empty = test::run_tessera("solve --resume partial_3.txt --limits --start 5,5 --end 5,5 --quiet");
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.err, "the margins leave no region: X runs from 5 + 0 to 5 - 3, no cell of the board\n");
    EXPECT_FALSE(test::file_exists("solved.txt"));
    const test::Outcome full =
        test::run_tessera("solve --resume partial_3.txt --limits --start 0,0 --end 1,1 --margin-end 0,0 --quiet");
    EXPECT_EQ(full.status, 0) << full.err;
    EXPECT_EQ(test::read_file("solved.txt"), test::read_file("partial_3.txt"));
}

TEST_F(SolveCliTest, TooFewPiecesAreProvedToLeaveTheBoardOpen) {
    test::write_file("few.txt", "1 1 1 100\n2 1 1 100\n2 1 2 100\n");
    for (const char* args : {"solve --pieces few.txt --quiet", "solve --pieces few.txt --quiet --count",
                             "split --pieces few.txt --units 4 -o few_units"}) {
        const test::Outcome o = test::run_tessera(args);
        EXPECT_EQ(o.status, 0) << args;
        if (std::string(args).rfind("split", 0) == 0) {
            EXPECT_NE(o.out.find("units=0"), std::string::npos) << o.out;
        } else {
            EXPECT_EQ(last_line(o.out), "solutions=0 tilings=0 nodes=0 complete=yes") << args;
        }
        // ... and says why, so that a piece file cut short is not taken for a puzzle without a board.
        EXPECT_NE(o.err.find("no full board exists"), std::string::npos) << args << ": " << o.err;
    }
}

TEST_F(SolveCliTest, BadNumbersAndOptionsGetOneLineAndStatusTwo) {
    test::write_file("cp.txt", "not a checkpoint\n");
    for (const char* args : {"solve --threads 0", "solve --max-solutions -3", "solve --time-limit x",
                             "solve --time-limit nan", "solve --time-limit -1", "solve --nope",
                             "solve --resume partial_6.txt --continue cp.txt"}) {
        const test::Outcome o = test::run_tessera(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << args << ": " << o.err;
    }
}

TEST_F(SolveCliTest, ACheckpointedRunContinuesToTheCountOfOneRun) {
    const test::Outcome whole = test::run_tessera("solve --resume partial_6.txt --count --quiet");
    // A time limit of zero stops at once, leaving the whole tree in the checkpoint.
    const test::Outcome first =
        test::run_tessera("solve --resume partial_6.txt --count --quiet --time-limit 0.000001 --checkpoint cp.txt");
    EXPECT_TRUE(first.status == 3 || first.status == 0);
    const test::Outcome rest = test::run_tessera("solve --resume partial_6.txt --count --quiet --continue cp.txt");
    EXPECT_EQ(rest.status, 0) << rest.err;
    EXPECT_EQ(last_line(rest.out).substr(0, 22), last_line(whole.out).substr(0, 22));
}

}  // namespace
}  // namespace tessera
