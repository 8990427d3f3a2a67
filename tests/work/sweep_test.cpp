// The sweep's plan, its reading of a search's output, the cells where a search can start, and
// the replay of unit times through the dynamic hand-out.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <set>
#include <utility>

#include "app/search_params.h"
#include "test_support.h"
#include "work/replay.h"
#include "work/sweep.h"

namespace tessera {
namespace {

using test::write_file;

TEST(SweepPlanTest, PlanReadsBackAsItWasWritten) {
    test::ScratchDir dir;
    work::SweepPlan plan;
    plan.params.use_limits = 1;
    plan.params.start_x = 2, plan.params.end_y = 33, plan.params.margin_end_x = -1;
    plan.time_limit = 2.5;
    plan.settings = {{1, 18}, {30, 0}};
    write_file("sweep.txt", work::plan_text(plan));

    work::SweepPlan back;
    ASSERT_EQ(work::read_plan("sweep.txt", back), "");
    EXPECT_EQ(work::plan_text(back), work::plan_text(plan));
    EXPECT_EQ(back.settings.size(), 2u);
    EXPECT_EQ(back.params.margin_end_x, -1);
}

TEST(SweepPlanTest, DamagedPlanIsNamedByFileAndLine) {
    test::ScratchDir dir;
    const struct {
        const char* text;
        const char* fault;
    } cases[] = {
        {"time-limit 3\nfirst 1,18\nfirst 2;19\n", "sweep.txt:3: 'first 2;19' is not a line of a sweep plan"},
        {"time-limit 3\nlimits 2\nfirst 1,18\n", "sweep.txt:2: 'limits 2' is not a line of a sweep plan"},
        {"time-limit 3\n", "sweep.txt: the plan names no setting"},
        {"first 1,18\n", "sweep.txt: the plan has no time limit"},
    };
    for (const auto& c : cases) {
        write_file("sweep.txt", c.text);
        work::SweepPlan plan;
        EXPECT_EQ(work::read_plan("sweep.txt", plan), c.fault) << c.text;
    }
}

TEST(SweepLogTest, SearchOutputGivesPassesDepthFillAndState) {
    const struct {
        const char* log;
        const char* state;
        long long passes;
        int deepest, unfilled;
    } cases[] = {
        {"12 passes in 0.1 s (120 passes/s), deepest depth 7, fewest unfilled region cells 30\n200\n"
         "steps=12 depth=3 first_piece=4\nsweep: status=0\n",
         "done", 12, 7, 30},
        {"5 passes in 0.0 s (9 passes/s), deepest depth 2\nsteps=5 depth=0 first_piece=210\nsweep: stopped\n"
         "sweep: status=0\n",
         "stopped", 5, 2, -1},
        {"Nemohu otevrit zdrojovy soubor: 'zdroj.txt'\nsweep: status=2\n", "failed", -1, -1, -1},
    };
    for (const auto& c : cases) {
        work::SettingReport report;
        work::read_search_log(c.log, report);
        EXPECT_EQ(report.state, c.state) << c.log;
        EXPECT_EQ(report.passes, c.passes) << c.log;
        EXPECT_EQ(report.deepest, c.deepest) << c.log;
        EXPECT_EQ(report.fewest_unfilled, c.unfilled) << c.log;
    }
}

class AnchorCellsTest : public test::SolverTest {};

// The cells listed are exactly those where a search lays a first piece and makes a pass; tried
// on a corner of the board around the first listed cells (each search writes its result file).
TEST_F(AnchorCellsTest, ListedCellsAreExactlyWhereASearchStarts) {
    start_up(test::kGapPair);
    MemoryPanel fresh;
    const SearchParams defaults = read_params(fresh);  // the check reads the rectangle even without limits
    const std::vector<work::SweepSetting> cells = work::anchor_cells(*solver, defaults);
    ASSERT_FALSE(cells.empty());
    std::set<std::pair<i32, i32>> listed;
    for (const work::SweepSetting& c : cells) listed.insert({c.first_x, c.first_y});
    int starts_seen = 0;
    for (i32 x = 0; x <= 4; ++x)
        for (i32 y = 15; y <= 26; ++y) {
            SearchParams p = defaults;
            p.first_x = x, p.first_y = y;
            set_params(p);
            s().step_count = 0;  // a refused press leaves the last search's count
            solver->Button1Click();
            const bool starts = s().step_count > 0;
            starts_seen += starts ? 1 : 0;
            EXPECT_EQ(listed.count({x, y}) == 1, starts) << x << "," << y;
        }
    EXPECT_GT(starts_seen, 0);
}

TEST(ReplayTest, HandOutInQueueOrderGivesTheKnownMakespan) {
    const struct {
        std::vector<double> times;
        int ranks;
        double min_piece;
        double makespan, efficiency;
        long splits;
    } cases[] = {
        {{4, 3, 2, 1}, 2, 0, 5, 1.0, 0},
        {{10, 1, 1}, 2, 0, 10, 0.6, 0},
        {{1, 1, 10}, 2, 0, 11, 12.0 / 22, 0},  // the big unit last: no reordering
        {{5}, 4, 0, 5, 0.25, 0},
        {{10, 1, 1}, 2, 0.5, 6, 1.0, 1},  // at 2 the idle rank takes half of the 8 left
        {{10, 1, 1}, 4, 0.5, 3, 1.0, 3},
        {{10, 1, 1}, 2, 5, 10, 0.6, 0},  // the half of 8 is below the smallest piece
        // A million ranks: the idle ones cost nothing, and re-splitting ends when halves get small.
        {{10, 1, 1}, 1000000, 0, 10, 12.0 / 1e7, 0},
        {{16}, 1000000, 1, 1, 16.0 / 1e6, 15},
    };
    for (const auto& c : cases) {
        const work::ReplayResult r = work::replay_units(c.times, c.ranks, c.min_piece);
        EXPECT_DOUBLE_EQ(r.makespan, c.makespan) << c.ranks << " ranks, first unit " << c.times[0];
        EXPECT_DOUBLE_EQ(r.efficiency, c.efficiency) << c.ranks << " ranks, first unit " << c.times[0];
        EXPECT_EQ(r.splits, c.splits) << c.ranks << " ranks, first unit " << c.times[0];
    }
}

TEST(ReplayTest, TimesFileFaultIsNamedByLine) {
    test::ScratchDir dir;
    ASSERT_EQ(::mkfifo("fifo", 0644), 0);
    const struct {
        std::string text;  // the file's text, or a name to read instead
        std::string says;
    } cases[] = {
        {"# unit times\n1.5 2\n-3\n", "times.txt:3: '-3' is not a time in seconds"},
        {"0x10\n", "times.txt:1: '0x10' is not a time in seconds"},
        {"1 inf\n", "times.txt:1: 'inf' is not a time"},
        {"nan\n", "times.txt:1: 'nan' is not a time"},
        {"1e308 1e308\n", "times.txt:1: '1e308' is not a time in seconds (a decimal number from 0 to 1000000000)"},
        {"# nothing\n", "times.txt: holds no unit time"},
        {"@fifo", "fifo: cannot be read (not a regular file)"},
        {"@/dev/zero", "/dev/zero: cannot be read (not a regular file)"},
        {"@.", ".: cannot be read (Is a directory)"},
    };
    for (const auto& c : cases) {
        std::string name = "times.txt";
        if (c.text[0] == '@')
            name = c.text.substr(1);
        else
            write_file(name, c.text);
        std::vector<double> times;
        EXPECT_EQ(work::read_unit_times(name, times).rfind(c.says, 0), 0u) << c.text;
    }
    write_file("times.txt", "1.5 2 # two units\n0.25\n");
    std::vector<double> times;
    EXPECT_EQ(work::read_unit_times("times.txt", times), "");
    EXPECT_EQ(times, (std::vector<double>{1.5, 2, 0.25}));
}

}  // namespace
}  // namespace tessera
