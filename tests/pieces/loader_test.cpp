// The piece file loader on files a person may have got wrong: every fault is named by file and
// line, nothing is stored outside the catalogue, and the loader never loops.
#include <gtest/gtest.h>

#include "test_support.h"

namespace tessera {
namespace {

class LoaderTest : public test::SolverTest {
protected:
    std::string start_up_capturing(const std::string& text) {
        testing::internal::CaptureStderr();
        start_up(text);
        return testing::internal::GetCapturedStderr();
    }
    bool has_shape(int p) { return !test::occupied(record(p, 1)).empty(); }
};

TEST_F(LoaderTest, MissingFileLeavesAnEmptyCatalogueAndSaysSo) {
    testing::internal::CaptureStderr();
    solver->FormCreate();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Nemohu otevrit zdrojovy soubor: 'zdroj.txt'\n");
    EXPECT_EQ(solver->pieces_status(), -1);
    for (int p = 1; p <= kPieceCount; ++p) ASSERT_FALSE(has_shape(p));
    EXPECT_EQ(s().hroty[29][1].piece, 0);
    EXPECT_EQ(s().depth, 0);
    EXPECT_EQ(s().matice[1][18], 85);  // the rest of the start-up ran
}

TEST_F(LoaderTest, WordStopsReadingAndEarlierGroupsStand) {
    const std::string err = start_up_capturing("1 1 1 100\n2 1 1 100\n3 1 x 100\n4 1 1 100\n");
    EXPECT_EQ(err, "zdroj.txt:3: 'x' is not a number; reading stops here\n");
    EXPECT_TRUE(has_shape(1));
    EXPECT_TRUE(has_shape(2));
    EXPECT_FALSE(has_shape(3));
    EXPECT_FALSE(has_shape(4));
    EXPECT_EQ(solver->pieces_status(), 0);
}

TEST_F(LoaderTest, NumberGluedToTextIsNotANumber) {
    const std::string err = start_up_capturing("1 1 1 100abc\n");
    EXPECT_NE(err.find("zdroj.txt:1: '100abc' is not a number"), std::string::npos) << err;
    EXPECT_FALSE(has_shape(1));
}

TEST_F(LoaderTest, GroupCutOffByTheEndOfTheFileIsNotRead) {
    const std::string err = start_up_capturing("1 1 1 100\n2 1\n1");
    EXPECT_NE(err.find("zdroj.txt:2: the file ends inside a group"), std::string::npos) << err;
    EXPECT_TRUE(has_shape(1));
    EXPECT_FALSE(has_shape(2));
}

TEST_F(LoaderTest, ValuesTheRecordsCannotHoldAreSkippedOneByOne) {
    const std::string err = start_up_capturing(
        "0 1 1 100\n210 1 1 100\n5 7 1 100\n5 1 11 100\n5 -1 1 100\n5 1 1 10\n5 1 2 5\n5 1 1 50\n"
        "99999999999999999999 1 1 100\n6 1 1 100\n");
    const char* expected[] = {
        "zdroj.txt:1: 0: piece is not in 1..209",  "zdroj.txt:2: 210: piece is not in 1..209",
        "zdroj.txt:3: 7: row is not in 0..6",      "zdroj.txt:4: 11: column is not in 0..10",
        "zdroj.txt:5: -1: row is not in 0..6",     "zdroj.txt:6: 10: code is not 0, 100 or a half of an up",
        "zdroj.txt:7: 5: code is not 0, 100 or a half of a down", "zdroj.txt:8: 50: code",
        "zdroj.txt:9: 9223372036854775807: piece",
    };
    for (const char* line : expected) EXPECT_NE(err.find(line), std::string::npos) << line << "\n" << err;
    for (int p = 1; p <= 5; ++p) EXPECT_FALSE(has_shape(p)) << p;
    EXPECT_TRUE(has_shape(6));
}

TEST_F(LoaderTest, ShapeTooLargeForTheRecordsIsLeftEmptyInAllOrientations) {
    // Eight cells across a row turn into something taller than rows 2..6.
    std::string text;
    for (int c = 1; c <= 8; ++c) text += "9 1 " + std::to_string(c) + " 100\n";
    text += "9 4 1 100\n10 1 1 100\n";
    const std::string err = start_up_capturing(text);
    EXPECT_NE(err.find("piece 9 does not fit the records in orientation"), std::string::npos) << err;
    for (int o = 1; o <= 6; ++o) {
        EXPECT_TRUE(test::occupied(record(9, o)).empty()) << o;
        EXPECT_EQ(record(9, o).number, 9);
        EXPECT_EQ(record(9, o).anchor_row, 0);
    }
    EXPECT_TRUE(has_shape(10));
    for (int k = 1; k <= kKinds; ++k)
        for (int i = 1; s().hroty[k][i].piece > 0; ++i) EXPECT_NE(s().hroty[k][i].piece, 9);
}

TEST_F(LoaderTest, BinaryGarbageNeverLoops) {
    std::string text("1 1 1 100\n", 10);
    text += std::string("\0\xff\x01 2 2", 7);
    const std::string err = start_up_capturing(text);
    EXPECT_NE(err.find("zdroj.txt:2:"), std::string::npos) << err;
    EXPECT_TRUE(has_shape(1));
}

}  // namespace
}  // namespace tessera
