// tessera render (and the catalogue picture of tessera pieces) as a user runs them, on a
// generated puzzle: SVG and PNG pictures, also of a faulty placement, and a format it cannot
// write.
#include <gtest/gtest.h>

#include "test_support.h"

namespace tessera {
namespace {

using test::Outcome;

Outcome tessera(const std::string& args) { return test::run_tessera(args); }

class RenderCliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(tessera("generate --seed 8 -o . --remove 4").status, 0); }
    test::ScratchDir dir;
};

TEST_F(RenderCliTest, RenderWritesSvgAndPngPictures) {
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

}  // namespace
}  // namespace tessera
