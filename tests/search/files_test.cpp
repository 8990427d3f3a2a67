// Placement files, the region test and the dumps.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "board/board.h"
#include "search/atomic_file.h"
#include "test_support.h"

namespace tessera {
namespace {

using test::file_exists;
using test::read_file;
using test::write_file;

using test::kGapPair;

class FilesTest : public test::SolverTest {
protected:
    void SetUp() override {
        start_up(kGapPair);
        s().params = SearchParams{0, 0, 0, 20, 40, 0, 0, 3, 5, 1, 18};
    }
    // Piece 1 at (10, 21) and piece 2 in its gap.
    void place_two() {
        s().target_row = 10, s().target_col = 21;
        solver->pridej_prvek(record(1, 1));
        s().target_row = 10, s().target_col = 22;
        solver->pridej_prvek(record(2, 2));
    }
    std::string load_capturing(const char* path, int expected_result) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(solver->nacti_reseni(path), expected_result) << path;
        return testing::internal::GetCapturedStderr();
    }
};

TEST_F(FilesTest, EmptyStackWritesAnEmptyFile) {
    EXPECT_EQ(solver->ulozit(""), 0);
    EXPECT_TRUE(file_exists("tuton.txt"));
    EXPECT_EQ(read_file("tuton.txt"), "");
}

TEST_F(FilesTest, WrittenStackReadsBackAsTheSameState) {
    place_two();
    ASSERT_EQ(solver->ulozit("saved.txt"), 0);
    EXPECT_EQ(read_file("saved.txt"), "1 10 21 1\n2 10 22 2\n");

    BoardMatrix board;
    std::memcpy(board, s().matice, sizeof board);
    const OpenSpot spots[3] = {s().volny[1], s().volny[2], s().volny[3]};
    const int open_count = s().open_count;
    solver->napln_matici();
    s().depth = 0;
    ASSERT_EQ(solver->nacti_reseni("saved.txt"), 0);
    EXPECT_EQ(s().depth, 2);
    EXPECT_EQ(std::memcmp(board, s().matice, sizeof board), 0);
    ASSERT_EQ(s().open_count, open_count);
    for (int i = 1; i <= open_count; ++i) {
        EXPECT_EQ(s().volny[i].kind, spots[i - 1].kind);
        EXPECT_EQ(s().volny[i].row, spots[i - 1].row);
        EXPECT_EQ(s().volny[i].col, spots[i - 1].col);
        EXPECT_EQ(s().volny[i].filled, spots[i - 1].filled);
        EXPECT_EQ(s().volny[i].filler, spots[i - 1].filler);
    }
    EXPECT_EQ(s().piece_used[1] + s().piece_used[2], 2);
}

TEST_F(FilesTest, NumbersMayBeSplitOverLinesAndSigned) {
    write_file("split.txt", "1 10\n+21 1 2\n10 22\n 2");
    ASSERT_EQ(solver->nacti_reseni("split.txt"), 0);
    EXPECT_EQ(s().depth, 2);
    EXPECT_EQ(s().reseni[2].col, 22);
}

TEST_F(FilesTest, EmptyFileGivesAnEmptyBoardAndFreesEveryPiece) {
    place_two();
    write_file("empty.txt", "");
    ASSERT_EQ(solver->nacti_reseni("empty.txt"), 0);
    EXPECT_EQ(s().depth, 0);
    EXPECT_EQ(s().open_count, 0);
    EXPECT_EQ(s().piece_used[1], 0);
    EXPECT_EQ(s().piece_used[2], 0);
    EXPECT_EQ(s().matice[10][21], 0);
}

TEST_F(FilesTest, BadResumeFilesAreRefusedAndTheStateIsKept) {
    place_two();
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"1 10 21 1\n2 10 22 x\n", "bad.txt:2: 'x' is not a number"},
        {"1 10 21 1\n2 10\n", "bad.txt:2: the file ends inside a group"},
        {"0 10 21 1\n", "bad.txt:1: piece 0 is not in 1..209"},
        {"210 10 21 1\n", "bad.txt:1: piece 210 is not in 1..209"},
        {"1 10 21 7\n", "bad.txt:1: orientation 7 is not in 1..6"},
        {"1 10 21 0\n", "bad.txt:1: orientation 0 is not in 1..6"},
        {"1 10 21 1\n1 12 21 1\n", "bad.txt:2: piece 1 is placed twice (also on line 1)"},
        {"1 -3 21 1\n", "bad.txt:1: position -3,21 is not on the board"},
        {"1 0 21 1\n", "bad.txt:1: piece 1 puts a cell at 0,21, on a full cell"},
        {"1 10 21 1\n2 10 21 1\n", "bad.txt:2: piece 2 puts a cell at 10,21, on a full cell"},
        {"3 10 21 1\n", "bad.txt:1: piece 3 has no shape in the piece file"},
        {"1 10 21 1\n2 10 22 2\n2 10 22 2\n", "bad.txt:3: piece 2 is placed twice"},
    };
    for (const Case& c : cases) {
        write_file("bad.txt", c.text);
        const std::string err = load_capturing("bad.txt", -1);
        EXPECT_EQ(err.rfind(c.message, 0), 0u) << c.text << "\n" << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(s().depth, 2);
        EXPECT_EQ(s().matice[10][21], 100);
    }
    std::string many;
    for (int i = 0; i < 210; ++i) many += "1 10 21 1\n";
    write_file("bad.txt", many);
    EXPECT_EQ(load_capturing("bad.txt", -1).rfind("bad.txt:210: more than 209 placements", 0), 0u);
    EXPECT_EQ(load_capturing("no-such-file.txt", -1), "Predesle reseni nelze nacist ('no-such-file.txt')\n");
    EXPECT_EQ(s().depth, 2);
}

TEST_F(FilesTest, HalvesThatDoNotCompleteEachOtherAreRefused) {
    // (12, 1) holds 5 on the outline: a full cell there overlaps the outside half.
    auto other = std::make_unique<Solver>(panel);
    write_file("zdroj.txt", "1 1 1 85\n");
    other->FormCreate();
    const PieceRecord& rec = other->state().prvky[1][1];
    write_file("bad.txt", "1 12 " + std::to_string(1 + rec.anchor_col - 4) + " 1\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(other->nacti_reseni("bad.txt"), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("does not complete the half 5"), std::string::npos) << err;
}

TEST_F(FilesTest, FailedWriteNamesTheFileAndKeepsTheOldOne) {
    place_two();
    testing::internal::CaptureStderr();
    EXPECT_EQ(solver->ulozit("no-such-dir/res_5.txt"), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("Nemohu zapsat vysledny soubor: 'no-such-dir/res_5.txt' (", 0), 0u) << err;
    std::filesystem::create_directory("big.txt");  // a name that cannot be replaced by a file
    testing::internal::CaptureStderr();
    EXPECT_EQ(solver->ulozit("big.txt"), -1);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::filesystem::is_directory("big.txt"));
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << "leftover temporary file";
}

TEST_F(FilesTest, WritesGoIntoPipesAndThroughLinks) {
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    const int reader = ::open("pipe", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(write_file_atomically(std::string("pipe"), std::string("xyz")), 0);
    char got[8] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 3);
    ::close(reader);
    EXPECT_EQ(std::string(got), "xyz");
    EXPECT_TRUE(std::filesystem::is_fifo("pipe"));
    write_file("real.txt", "old");
    std::filesystem::create_symlink("real.txt", "link.txt");
    EXPECT_EQ(write_file_atomically(std::string("link.txt"), std::string("new")), 0);
    EXPECT_TRUE(std::filesystem::is_symlink("link.txt"));
    EXPECT_EQ(read_file("real.txt"), "new");
}

TEST_F(FilesTest, RegionTestCountsOnlyCellsThatAreNotFull) {
    // Rows 0..1 and columns 0..17 are full on the initial board.
    EXPECT_EQ(solver->plocha_naplnena(-1, -1, 1, 17), 1);
    EXPECT_FALSE(file_exists("big.txt"));
    EXPECT_EQ(solver->plocha_naplnena(5, 5, 5, 40), 1) << "no rows";
    EXPECT_EQ(solver->plocha_naplnena(5, 5, 9, 5), 1) << "no columns";
    s().best_unfilled = 10000;
    EXPECT_EQ(solver->plocha_naplnena(0, 0, 1, 20), 0);
    EXPECT_EQ(s().best_unfilled, 3);  // 85, 30 and 0 in row 1
    EXPECT_TRUE(file_exists("big.txt"));
    std::filesystem::remove("big.txt");
    EXPECT_EQ(solver->plocha_naplnena(0, 0, 1, 20), 0);
    EXPECT_FALSE(file_exists("big.txt")) << "an equal count writes nothing";
}

TEST_F(FilesTest, RegionReachingOffTheBoardCountsOnlyBoardCells) {
    s().best_unfilled = 10000;
    EXPECT_EQ(solver->plocha_naplnena(-100, -100, 1000, 1000), 0);
    EXPECT_EQ(s().best_unfilled, 1230 + 48);
    EXPECT_EQ(solver->plocha_naplnena(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), 0);
}

TEST_F(FilesTest, DumpsUseFixedWidthFields) {
    s().volny[300] = OpenSpot{-5, 12, 7, 140, 1, 209};
    solver->zapis_matici();
    solver->zapis_volny();
    const std::string matice = read_file("matice.txt");
    const std::string first_line = matice.substr(0, matice.find('\n'));
    EXPECT_EQ(first_line.size(), 220u);
    EXPECT_EQ(first_line.substr(0, 8), " 100 100");
    EXPECT_EQ(std::count(matice.begin(), matice.end(), '\n'), 32);
    const std::string row12 = matice.substr(12 * 221, 220);
    EXPECT_EQ(row12.substr(0, 12), " 100   5   0");
    const std::string volny = read_file("volny.txt");
    EXPECT_EQ(std::count(volny.begin(), volny.end(), '\n'), 301);
    EXPECT_EQ(volny.substr(0, 21), "   0  0  0  0  0   0\n");
    EXPECT_EQ(volny.substr(300 * 21), "   -5 12  7 140  1 209\n");
}

}  // namespace
}  // namespace tessera
