// tessera generate as a user runs it: a bad parameter named, and a puzzle already in the folder
// kept unless --force is given.
#include <gtest/gtest.h>

#include "test_support.h"

namespace tessera {
namespace {

using test::Outcome;

Outcome tessera(const std::string& args) { return test::run_tessera(args); }

class GenerateCliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(tessera("generate --seed 8 -o . --remove 4").status, 0); }
    test::ScratchDir dir;
};

TEST_F(GenerateCliTest, GenerateNamesABadParameter) {
    const Outcome bad = tessera("generate --seed 1 -o other --remove 3,0");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.err.find("--remove"), std::string::npos) << bad.err;
    EXPECT_FALSE(test::file_exists("other/zdroj.txt"));
}

// A folder that holds a puzzle (here the one SetUp made) keeps it unless --force is given.
TEST_F(GenerateCliTest, GenerateKeepsAPuzzleThatIsThereUnlessForced) {
    const std::string pieces = test::read_file("zdroj.txt");
    const Outcome kept = tessera("generate --seed 9 -o . --remove 4");
    EXPECT_EQ(kept.status, 2);
    EXPECT_EQ(kept.err, "-o: '.' holds a puzzle already (zdroj.txt); give a new folder, or --force to replace it\n");
    EXPECT_EQ(test::read_file("zdroj.txt"), pieces);
    EXPECT_EQ(tessera("generate --seed 9 -o . --remove 4 --force").status, 0);
    EXPECT_NE(test::read_file("zdroj.txt"), pieces);
}

// --distinct as a user meets it: named in the help with what counts as alike, and a puzzle that
// the checker passes.
TEST(GenerateDistinctCliTest, HelpSaysMirrorImagesDifferAndThePuzzleChecks) {
    test::ScratchDir dir;
    const Outcome help = tessera("generate --help");
    EXPECT_NE(help.out.find("--distinct"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("a mirror image is a different piece"), std::string::npos) << help.out;

    const Outcome made = tessera("generate --seed 3 -o . --remove 4 --distinct");
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_NE(made.out.find("209 different shapes"), std::string::npos) << made.out;
    const Outcome full = tessera("check solution.txt --full");
    EXPECT_EQ(full.status, 0) << full.out;
    EXPECT_NE(full.out.find("verified"), std::string::npos) << full.out;
}

}  // namespace
}  // namespace tessera
