// The replay of unit times through the dynamic hand-out, and the reading of a file of unit times.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "work/replay.h"

namespace tessera {
namespace {

using test::write_file;

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
