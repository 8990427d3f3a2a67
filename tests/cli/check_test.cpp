// tessera check as a user runs it, on a generated puzzle: exit status and the one line that
// names a fault.
#include <gtest/gtest.h>

#include "test_support.h"

namespace tessera {
namespace {

using test::Outcome;

Outcome tessera(const std::string& args) { return test::run_tessera(args); }

class CheckCliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(tessera("generate --seed 8 -o . --remove 4").status, 0); }
    test::ScratchDir dir;
};

TEST_F(CheckCliTest, CheckPassesOnlyWhatItShould) {
    const Outcome full = tessera("check solution.txt --full");
    EXPECT_EQ(full.status, 0) << full.out;
    EXPECT_NE(full.out.find("verified"), std::string::npos) << full.out;

    EXPECT_EQ(tessera("check partial_4.txt").status, 0) << "a valid partial placement";
    const Outcome partial_full = tessera("check partial_4.txt --full");
    EXPECT_EQ(partial_full.status, 1);
    EXPECT_NE(partial_full.out.find("pieces placed"), std::string::npos);

    // The first line twice: a piece used twice and every one of its cells over-full.
    const std::string partial = test::read_file("partial_4.txt");
    test::write_file("doubled.txt", partial.substr(0, partial.find('\n') + 1) + partial);
    const Outcome doubled = tessera("check doubled.txt");
    EXPECT_EQ(doubled.status, 1);
    EXPECT_NE(doubled.out.find("pieces used twice: 1"), std::string::npos) << doubled.out;

    test::write_file("broken.txt", "1 2 3 4\n5 6 x 1\n");
    const Outcome broken = tessera("check broken.txt");
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err, "broken.txt:2: 'x' is not a number\n");
}

}  // namespace
}  // namespace tessera
