// The sweep's plan, its reading of a search's output, and the cells where a search can start.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "app/search_params.h"
#include "test_support.h"
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

}  // namespace
}  // namespace tessera
