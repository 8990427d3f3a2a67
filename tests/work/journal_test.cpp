// The journal of a tessera-mpi job: whatever a kill leaves of it, a continued job ends with the
// count of a single solve, or the journal is refused; never a wrong count.
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <memory>

#include "search/placement_file.h"
#include "solve/units.h"
#include "test_support.h"
#include "work/journal.h"

namespace tessera {
namespace {

using solve::Prefix;

// The shipped puzzle less 20 pieces: a tree of a few thousand nodes.
class JournalTest : public test::SolverTest {
protected:
    void SetUp() override {
        start_up(test::read_file(test::shipped_data() / "zdroj.txt"));
        auto list = std::make_unique<PlacementList>();
        const std::string path = (test::shipped_data() / "partial_20.txt").string();
        ASSERT_EQ(read_placement_file(path.c_str(), *list), "");
        solve::build_problem(s().prvky, {list->entries, list->entries + list->count}, {}, problem);
        whole = solve::solve_unit(problem, {}, {}).solutions;
    }

    // A job as rank 0 runs it: a split, then each unit searched to its first tiling, handing
    // back what it has not searched (which go first in the queue), each record as it comes.
    std::string job_journal() const {
        std::string seal = work::journal_seal(problem.fingerprint);
        std::string text = work::journal_header(problem.fingerprint);
        const std::vector<Prefix> units = solve::expand_frontier(problem, 6);
        text += work::sealed_record(seal, work::split_content(units));
        std::deque<std::pair<std::size_t, Prefix>> queue;
        for (std::size_t id = 0; id < units.size(); ++id) queue.emplace_back(id, units[id]);
        std::size_t next = units.size();
        while (!queue.empty()) {
            const auto [id, prefix] = queue.front();
            queue.pop_front();
            std::atomic<bool> stop{false};
            solve::UnitOptions options;
            options.stop = &stop;
            options.on_tiling = [&](const Prefix&) {
                stop = true;
                return true;
            };
            const solve::UnitResult r = solve::solve_unit(problem, prefix, options);
            text += work::sealed_record(
                seal, work::done_content(id, r.solutions, r.tilings, r.nodes, r.open, r.tilings != 0 ? 1 : 0));
            for (std::size_t j = r.open.size(); j-- > 0;) queue.emplace_front(next + j, r.open[j]);
            next += r.open.size();
        }
        return text;
    }

    // What a job continued from this journal would count: the units done, and the others searched.
    solve::BigCount continued_count(const work::JournalState& state) const {
        if (!state.split) return whole;
        solve::BigCount sum = state.solutions;
        for (std::size_t id = 0; id < state.units.size(); ++id)
            if (!state.done[id]) sum.add(solve::solve_unit(problem, state.units[id], {}).solutions);
        return sum;
    }

    solve::Problem problem;
    solve::BigCount whole;
};

TEST_F(JournalTest, EveryCutOfAJobsJournalContinuesToTheSingleCount) {
    const std::string text = job_journal();
    std::vector<std::size_t> cuts = {0, 5, 22, work::journal_header(problem.fingerprint).size() - 1};
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        cuts.push_back(at + 1);  // after a whole record
        cuts.push_back(at);      // a record whose newline is missing
        if (at > 40) cuts.push_back(at - 30);  // inside a record
    }
    ASSERT_GT(cuts.size(), 30u) << "the job handed back parts, so the journal has many records";
    work::JournalState full;
    ASSERT_EQ(work::read_journal("j", text, problem.fingerprint, full), "");
    EXPECT_EQ(full.solutions, whole) << "the whole journal holds every unit done";
    for (const std::size_t cut : cuts) {
        work::JournalState state;
        ASSERT_EQ(work::read_journal("j", text.substr(0, cut), problem.fingerprint, state), "") << "cut at " << cut;
        EXPECT_LE(state.whole, cut);
        EXPECT_EQ(continued_count(state), whole) << "cut at " << cut;
    }
}

TEST_F(JournalTest, ARecordDroppedDoubledMovedOrEditedIsRefused) {
    const std::string text = job_journal();
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_GT(lines.size(), 8u);
    const auto join = [](const std::vector<std::string>& ls) {
        std::string out;
        for (const std::string& l : ls) out += l + "\n";
        return out;
    };
    std::vector<std::string> dropped = lines, doubled = lines, moved = lines, edited = lines;
    dropped.erase(dropped.begin() + 4);
    doubled.insert(doubled.begin() + 4, lines[4]);
    std::swap(moved[4], moved[5]);
    edited[4][edited[4].find(' ', 5) + 1] ^= 1;  // a digit of the unit's id or count
    work::JournalState other_state;
    const struct {
        const char* what;
        std::string text;
        std::uint64_t fingerprint;
        const char* says;
    } cases[] = {
        {"a record dropped", join(dropped), problem.fingerprint, "j:5: the journal is damaged"},
        {"a record doubled", join(doubled), problem.fingerprint, "j:6: the journal is damaged"},
        {"two records swapped", join(moved), problem.fingerprint, "j:5: the journal is damaged"},
        {"a record edited", join(edited), problem.fingerprint, "j:5: the journal is damaged"},
        {"another problem's", text, problem.fingerprint + 1, "belongs to another problem"},
        {"an earlier version's", "tessera-mpi journal 1\nproblem 0\n", problem.fingerprint, "earlier version"},
        {"no journal", "unit 0 0\n", problem.fingerprint, "not a journal"},
    };
    for (const auto& c : cases) {
        work::JournalState state;
        const std::string fault = work::read_journal("j", c.text, c.fingerprint, state);
        EXPECT_NE(fault.find(c.says), std::string::npos) << c.what << ": " << fault;
    }
}

TEST_F(JournalTest, AContinuedJournalIsCutBackToItsLastWholeRecordBeforeItGrows) {
    work::JournalFile file;
    ASSERT_EQ(file.create("j.txt", problem.fingerprint), 0);
    const std::vector<Prefix> units = solve::expand_frontier(problem, 4);
    ASSERT_EQ(file.append(work::split_content(units)), 0);
    ASSERT_EQ(file.append(work::done_content(0, solve::BigCount(3), 1, 10, {}, 0)), 0);
    const std::string written = test::read_file("j.txt");
    test::write_file("j.txt", written + "done 1 7 1 1");  // a kill while the next record was written

    work::JournalState state;
    ASSERT_EQ(work::read_journal("j.txt", test::read_file("j.txt"), problem.fingerprint, state), "");
    EXPECT_EQ(state.whole, written.size());
    EXPECT_EQ(state.units_done, 1u);
    work::JournalFile again;
    ASSERT_EQ(again.reopen("j.txt", state), 0);
    ASSERT_EQ(again.append(work::done_content(1, solve::BigCount(2), 1, 10, {}, 1)), 0);
    ASSERT_EQ(work::read_journal("j.txt", test::read_file("j.txt"), problem.fingerprint, state), "");
    EXPECT_EQ(state.units_done, 2u);
    EXPECT_EQ(state.solutions, solve::BigCount(5));
    EXPECT_EQ(state.written, 1u);

    // A journal that cannot take a record says so: the job ends on it.
    work::JournalFile full;
    EXPECT_NE(full.create("/dev/full", problem.fingerprint), 0);
}

}  // namespace
}  // namespace tessera
