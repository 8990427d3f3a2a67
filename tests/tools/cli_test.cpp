// The tools' commands as a user runs them: exit status and the one line that names a fault.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "test_support.h"

namespace tessera {
namespace {

using test::Outcome;

Outcome tessera(const std::string& args) { return test::run_tessera(args); }

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(tessera("generate --seed 8 -o . --remove 4").status, 0); }
    test::ScratchDir dir;
};

TEST_F(CliTest, CheckPassesOnlyWhatItShould) {
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

TEST_F(CliTest, RenderWritesSvgAndPngPictures) {
    const Outcome svg = tessera("render solution.txt -o board.svg --spots");
    EXPECT_EQ(svg.status, 0) << svg.err;
    EXPECT_TRUE(test::file_exists("board.svg"));
    const Outcome png = tessera("render solution.txt -o board.png");
    if (TESSERA_HAS_PNG) {
        EXPECT_EQ(png.status, 0) << png.err;
        EXPECT_EQ(png.err, "");
        EXPECT_EQ(test::read_file("board.png").substr(1, 3), "PNG");
    } else {
        EXPECT_EQ(png.status, 1);
        EXPECT_FALSE(test::file_exists("board.png"));
    }
    // A faulty placement is drawn in both formats, as it is.
    const std::string partial = test::read_file("partial_4.txt");
    test::write_file("doubled.txt", partial.substr(0, partial.find('\n') + 1) + partial);
    EXPECT_EQ(tessera("render doubled.txt -o doubled.png").status, TESSERA_HAS_PNG ? 0 : 1);
    EXPECT_EQ(test::file_exists("doubled.png"), TESSERA_HAS_PNG != 0);
    EXPECT_EQ(tessera("render solution.txt -o board.jpg").status, 2);

    const Outcome catalogue = tessera("pieces --svg catalogue.svg");
    EXPECT_EQ(catalogue.status, 0) << catalogue.err;
    EXPECT_TRUE(test::file_exists("catalogue.svg"));
}

TEST_F(CliTest, GenerateNamesABadParameter) {
    const Outcome bad = tessera("generate --seed 1 -o other --remove 3,0");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.err.find("--remove"), std::string::npos) << bad.err;
    EXPECT_FALSE(test::file_exists("other/zdroj.txt"));
}

// A folder that holds a puzzle (here the one SetUp made) keeps it unless --force is given.
TEST_F(CliTest, GenerateKeepsAPuzzleThatIsThereUnlessForced) {
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
