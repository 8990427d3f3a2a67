// Every fault of a resume file, through the command as a user meets it: one line naming the
// file, the line and the fault, exit status 2, no search started and the last result kept.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "test_support.h"

namespace tessera {
namespace {

using test::read_file;
using test::write_file;

TEST(BadResumeTest, EachFaultIsOneLineAndStartsNothing) {
    test::ScratchDir dir;
    // Piece 61 is one up half; piece 62 two full cells with a row between them.
    write_file("zdroj.txt", test::random_pieces(3) + "61 1 1 85\n62 1 1 100\n62 3 1 100\n");
    write_file("tuton.txt", "1 10 21 1\n");
    std::string many;
    for (int i = 0; i < 210; ++i) many += std::to_string(i % 60 + 1) + " 10 21 1\n";
    struct Case {
        std::string text, message;
    };
    const Case cases[] = {
        {"1 10 21 1\n2 10 22 x\n", "bad.txt:2: 'x' is not a number"},
        {"1 10 21 1\n2 10\n", "bad.txt:2: the file ends inside a group of four numbers"},
        {many, "bad.txt:210: more than 209 placements"},
        {"0 10 21 1\n", "bad.txt:1: piece 0 is not in 1..209"},
        {"1 10 21 7\n", "bad.txt:1: orientation 7 is not in 1..6"},
        {"1 10 99999999999999999999 1\n", "bad.txt:1: position 10,9223372036854775807 is not on the board"},
        {"1 10 21 1\n1 14 21 1\n", "bad.txt:2: piece 1 is placed twice (also on line 1)"},
        {"63 10 21 1\n", "bad.txt:1: piece 63 has no shape in the piece file"},
        {"62 30 20 1\n", "bad.txt:1: piece 62 puts a cell at 32,20, outside the board"},
        {"1 0 21 1\n", "bad.txt:1: piece 1 puts a cell at 0,21, on a full cell"},
        {"61 12 1 1\n", "bad.txt:1: piece 61 puts a cell at 12,1, where its half 85 does not complete the half 5"},
    };
    for (const Case& c : cases) {
        write_file("bad.txt", c.text);
        const test::RunResult r = test::run_tessera({"search", "--first", "10,21", "--quiet", "--resume", "bad.txt"});
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(test::messages(r.err), std::vector<std::string>{c.message});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(read_file("tuton.txt"), "1 10 21 1\n");
    }
}

}  // namespace
}  // namespace tessera
