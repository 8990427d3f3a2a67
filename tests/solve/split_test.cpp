// Work units: the hash that ties a split to its files, the guarantee that the units share out the
// tree, and split, unit solves and merge as a user runs them, bad input included.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "search/placement_file.h"
#include "solve/sha256.h"
#include "work/split.h"
#include "solve/units.h"
#include "test_support.h"

namespace tessera {
namespace {

namespace fs = std::filesystem;

TEST(Sha256Test, KnownVectorsAcrossTheBlockBoundaries) {
    const struct {
        std::string data;
        const char* hex;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) EXPECT_EQ(solve::sha256_hex(c.data), c.hex) << c.data.size() << " bytes";
}

TEST(UnitResultTest, AResultCutShortOrChangedIsRefused) {
    work::UnitRecord r;
    r.manifest_sha256 = std::string(64, 'a');
    r.unit = 3;
    r.solutions = solve::BigCount(12);
    r.end = work::UnitEnd::Complete;
    r.files = {{"unit_000003_solved.txt", std::string(64, 'b')}};
    const std::string text = work::result_text(r);
    work::UnitRecord back;
    ASSERT_EQ(work::read_result(text, back), "");
    EXPECT_EQ(back.solutions.text(), "12");
    EXPECT_EQ(back.files, r.files);
    std::string changed = text;
    changed[changed.find("12")] = '9';
    for (const std::string& bad : {text.substr(0, text.size() / 2), text.substr(0, text.size() - 1), changed})
        EXPECT_NE(work::read_result(bad, back), "") << bad;
}

// The shipped puzzle less 20 pieces: a tree of a few thousand nodes.
class ShippedUnitsTest : public test::SolverTest {
protected:
    void SetUp() override {
        start_up(test::read_file(test::shipped_data() / "zdroj.txt"));
        auto list = std::make_unique<PlacementList>();
        const std::string path = (test::shipped_data() / "partial_20.txt").string();
        ASSERT_EQ(read_placement_file(path.c_str(), *list), "");
        solve::build_problem(s().prvky, {list->entries, list->entries + list->count}, {}, problem);
    }
    solve::Problem problem;
};

// Why the counts add up: each tiling found by one whole walk begins with exactly one unit.
TEST_F(ShippedUnitsTest, EveryTilingExtendsExactlyOneUnit) {
    std::vector<solve::Prefix> tilings;
    solve::UnitOptions collect;
    collect.on_tiling = [&](const solve::Prefix& t) {
        tilings.push_back(t);
        return true;
    };
    const solve::UnitResult whole = solve::solve_unit(problem, {}, collect);
    ASSERT_GT(tilings.size(), 1u);
    for (std::size_t n : {1u, 8u, 60u, 500u}) {
        const std::vector<solve::Prefix> units = solve::expand_frontier(problem, n);
        solve::BigCount sum;
        for (const solve::Prefix& unit : units) sum.add(solve::solve_unit(problem, unit, {}).solutions);
        EXPECT_EQ(sum, whole.solutions) << n << " units";
        for (const solve::Prefix& tiling : tilings) {
            int holders = 0;
            for (const solve::Prefix& unit : units)
                holders += unit.size() <= tiling.size() &&
                           std::equal(unit.begin(), unit.end(), tiling.begin(), [](const Placement& a, const Placement& b) {
                               return a.piece == b.piece && a.row == b.row && a.col == b.col &&
                                      a.orientation == b.orientation;
                           });
            EXPECT_EQ(holders, 1) << n << " units";
        }
    }
}

class SplitCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"zdroj.txt", "partial_6.txt", "partial_20.txt"})
            fs::copy_file(test::shipped_data() / name, dir.path() / name);
    }
    static std::string last_line(const std::string& out) {
        const std::size_t end = out.find_last_not_of('\n');
        const std::size_t start = out.rfind('\n', end);
        return out.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
    }
    static std::size_t units_of(const std::string& split) {
        const std::string m = test::read_file(fs::path(split) / "manifest.txt");
        return std::stoul(m.substr(m.find("\nunits ") + 7));
    }
    // Splits, solves every unit but `skip`, and merges.
    test::Outcome split_and_merge(const std::string& args, const std::string& split, std::size_t skip = 0) {
        const test::Outcome s = test::run_tessera("split " + args + " -o " + split);
        EXPECT_EQ(s.status, 0) << s.err;
        for (std::size_t k = 1; k <= units_of(split); ++k) {
            if (k == skip) continue;
            EXPECT_EQ(test::run_tessera("solve --quiet --threads 1 --manifest " + split + " --unit " + std::to_string(k)).status, 0);
        }
        return test::run_tessera("merge " + split + " --times " + split + "/times.txt");
    }
    test::ScratchDir dir;
};

TEST_F(SplitCliTest, MergedCountsEqualTheSingleCountForSeveralSplits) {
    const test::Outcome single = test::run_tessera("solve --resume partial_20.txt --count --quiet");
    const std::string counted = single.out.substr(0, single.out.find(" tilings"));
    const std::string nodes_free = counted + " nodes=";
    for (const char* units : {"1", "5", "20"}) {
        const test::Outcome m = split_and_merge(std::string("--resume partial_20.txt --count --units ") + units,
                                                std::string("s") + units);
        EXPECT_EQ(m.status, 0) << m.out << m.err;
        EXPECT_EQ(last_line(m.out).substr(0, nodes_free.size()), nodes_free) << units << " units";
        EXPECT_NE(m.out.find("complete=yes"), std::string::npos);
        // One time per unit, for replay-units: the comment line and then one line each.
        const std::string times = test::read_file(std::string("s") + units + "/times.txt");
        EXPECT_EQ(static_cast<std::size_t>(std::count(times.begin(), times.end(), '\n')), units_of(std::string("s") + units) + 1);
    }
}

TEST_F(SplitCliTest, MissingTornAndForeignResultsAreNotCounted) {
    test::Outcome m = split_and_merge("--resume partial_20.txt --count --units 5", "s", 2);
    EXPECT_EQ(m.status, 3);
    EXPECT_EQ(m.out.find("unit 2: not done"), std::string::npos) << "one summary line without --list";
    EXPECT_NE(last_line(m.out).find("complete=no units_done=11/12"), std::string::npos) << m.out;
    EXPECT_NE(m.err.find("merge: 1 of 12 units are not done (--list names each unit's state)"), std::string::npos)
        << m.err;
    m = test::run_tessera("merge s --list");
    EXPECT_NE(m.out.find("unit 2: not done\n"), std::string::npos);
    EXPECT_NE(m.out.find("unit 3: done\n"), std::string::npos);

    ASSERT_EQ(test::run_tessera("solve --quiet --manifest s --unit 2").status, 0);
    // A result of another split of the same problem.
    ASSERT_EQ(split_and_merge("--resume partial_20.txt --count --units 2", "other").status, 0);
    const std::string torn = test::read_file("s/unit_000001.result");
    test::write_file("s/unit_000001.result", torn.substr(0, torn.size() / 2));
    fs::copy_file("other/unit_000003.result", "s/unit_000003.result", fs::copy_options::overwrite_existing);
    m = test::run_tessera("merge s");
    EXPECT_EQ(m.status, 3);
    EXPECT_NE(m.out.find("unit 1: failed"), std::string::npos) << m.out;
    EXPECT_NE(m.out.find("unit 3: failed"), std::string::npos) << m.out;
    EXPECT_NE(last_line(m.out).find("complete=no"), std::string::npos);
}

TEST_F(SplitCliTest, ASolutionThatFailsTheCheckFailsItsUnit) {
    const test::Outcome m = split_and_merge("--resume partial_6.txt --units 1", "s");
    ASSERT_EQ(m.status, 0) << m.out << m.err;
    EXPECT_TRUE(test::file_exists("s/solved.txt"));
    // A solution that leaves a piece out, with a result whose hashes agree with it.
    std::string solution = test::read_file("s/unit_000001_solved.txt");
    solution = solution.substr(0, solution.rfind('\n', solution.size() - 2) + 1);
    test::write_file("s/unit_000001_solved.txt", solution);
    work::UnitRecord r;
    ASSERT_EQ(work::read_result(test::read_file("s/unit_000001.result"), r), "");
    r.files[0].second = solve::sha256_hex(solution);
    test::write_file("s/unit_000001.result", work::result_text(r));
    const test::Outcome again = test::run_tessera("merge s");
    EXPECT_EQ(again.status, 3);
    EXPECT_NE(again.out.find("fails the check"), std::string::npos) << again.out;
}

TEST_F(SplitCliTest, AUnitContinuedFromItsCheckpointReportsTheSecondsOfAllItsRuns) {
    fs::copy_file(test::shipped_data() / "partial_30.txt", dir.path() / "partial_30.txt");
    ASSERT_EQ(test::run_tessera("split --resume partial_30.txt --count --units 1 -o s").status, 0);
    // The first run is stopped by its time limit; the second stops at once, so that a result that
    // held only its own run's seconds would report fewer than the first.
    work::UnitRecord first, second;
    for (auto [limit, record] : {std::pair{"0.6", &first}, std::pair{"0.000001", &second}}) {
        const test::Outcome o =
            test::run_tessera(std::string("solve --quiet --threads 1 --manifest s --unit 1 --time-limit ") + limit);
        ASSERT_EQ(o.status, 3) << o.err;
        ASSERT_EQ(work::read_result(test::read_file("s/unit_000001.result"), *record), "");
        EXPECT_EQ(record->end, work::UnitEnd::Stopped);
    }
    EXPECT_GE(second.seconds, first.seconds);
    EXPECT_GE(second.nodes, first.nodes);
}

// The job script's tasks run here by hand, as Slurm would run them: task 1 claims every unit of
// both folders but the one planted as task 9's, and a sweep-up run takes that one over.
TEST_F(SplitCliTest, JobArrayTasksClaimUnitsAcrossFoldersAndASweepUpTakesOverAStuckOne) {
    ASSERT_EQ(test::run_tessera("split --resume partial_20.txt --count --units 5 --slurm -o s").status, 0);
    ASSERT_EQ(test::run_tessera("split --resume partial_20.txt --count --units 3 -o t").status, 0);
    fs::create_directory("s/claims");
    test::write_file("s/claims/unit_000002", "9 100\n");
    const std::string task1 = "SLURM_ARRAY_TASK_ID=1 sh s/job.sbatch";
    // A folder that is no split is skipped: the task does the rest and says so in its status.
    test::Outcome o = test::run_command(task1 + " t nowhere");
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_NE(o.err.find("nowhere: no manifest of a split here; skipped"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("work: 14 units solved, 0 failed, 1 folders skipped"), std::string::npos) << o.err;
    EXPECT_EQ(test::run_tessera("merge t").status, 0);
    o = test::run_tessera("merge s --list");
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.out.find("unit 2: not done"), std::string::npos) << o.out;
    EXPECT_EQ(o.out.find("unit 1: not done"), std::string::npos) << o.out;

    o = test::run_command("TESSERA_TAKE_OVER=1 " + task1);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("takes over"), std::string::npos) << o.err;
    EXPECT_EQ(test::read_file("s/claims/unit_000002").substr(0, 2), "1 ");
    const test::Outcome single = test::run_tessera("solve --resume partial_20.txt --count --quiet");
    o = test::run_tessera("merge s");
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_EQ(last_line(o.out).substr(0, last_line(o.out).find(" nodes")),
              single.out.substr(0, single.out.find(" tilings")));
    // A task run again when everything is done solves nothing.
    o = test::run_command(task1 + " t");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");
}

TEST_F(SplitCliTest, BadInputGetsOneLineAndStatusTwoAndOverwritesNothing) {
    ASSERT_EQ(test::run_tessera("split --resume partial_20.txt --count --units 3 -o s").status, 0);
    const std::string manifest = test::read_file("s/manifest.txt");
    const struct {
        std::string args, says;
    } cases[] = {
        {"split --resume partial_6.txt --units 2 -o s", "holds another split"},
        {"solve --manifest s --unit 999", "--unit: 999 is not a unit"},
        {"solve --manifest nowhere --unit 1", "no manifest"},
        {"merge nowhere", "no manifest"},
        {"work --task a/b s", "--task: 'a/b' is not a task name"},
    };
    for (const auto& c : cases) {
        const test::Outcome o = test::run_tessera(c.args);
        EXPECT_EQ(o.status, 2) << c.args;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << c.args << ": " << o.err;
        EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << c.args << ": " << o.err;
    }
    EXPECT_EQ(test::read_file("s/manifest.txt"), manifest);

    test::write_file("zdroj.txt", test::read_file("zdroj.txt") + "\n");
    for (const char* args : {"merge s", "solve --manifest s --unit 1"}) {
        const test::Outcome o = test::run_tessera(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_NE(o.err.find("zdroj.txt' has changed"), std::string::npos) << o.err;
    }
}

}  // namespace
}  // namespace tessera
