// The fuzz build's state check recounts the row bitmaps only in the rows that a change of the
// board can reach; whatever changed, that must give the bitmaps of a whole recount.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <ostream>
#include <random>
#include <string>

#include "board/board.h"
#include "placement/board_index.h"

namespace tessera {
namespace {

constexpr int kCodes[] = {0, 0, 0, 100, 100, 5, 10, 15, 20, 25, 30, 70, 75, 80, 85, 90, 95};

int random_code(std::mt19937& rng) {
    return kCodes[std::uniform_int_distribution<int>(0, static_cast<int>(std::size(kCodes)) - 1)(rng)];
}

// The initial board with a third of its play area holding random codes, halves among them, so
// that many cells are stuck and the half rules read the rows next to them.
void random_board(std::mt19937& rng, BoardMatrix& board) {
    fill_initial_board(board);
    for (int x = 1; x < kBoardRows - 1; ++x)
        for (int y = 1; y < kBoardCols - 1; ++y)
            if (rng() % 3 == 0) board[x][y] = random_code(rng);
}

struct Change {
    const char* name;
    int first_row, rows;  // cells changed in these rows (first_row < 0: a random row)
    int cells;            // how many
};

void PrintTo(const Change& change, std::ostream* os) { *os << change.name; }

class ReindexChangedRows : public ::testing::TestWithParam<Change> {};

TEST_P(ReindexChangedRows, GivesTheBitmapsOfAWholeRecount) {
    const Change change = GetParam();
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        CheckedBoard checked;
        random_board(rng, checked.board);
        index_board(checked.board, checked.index);

        BoardMatrix board;
        std::memcpy(board, checked.board, sizeof board);
        const int first = change.first_row >= 0 ? change.first_row
                                                : std::uniform_int_distribution<int>(0, kBoardRows - change.rows)(rng);
        for (int n = 0; n < change.cells; ++n) {
            const int x = first + static_cast<int>(rng() % change.rows);
            board[x][std::uniform_int_distribution<int>(0, kBoardCols - 1)(rng)] = random_code(rng);
        }

        BoardIndex rows, whole;
        reindex_changed_rows(board, checked, rows);
        index_board(board, whole);
        for (int x = 0; x < kBoardRows; ++x) {
            EXPECT_EQ(rows.empty[x], whole.empty[x]) << "round " << round << ", row " << x;
            EXPECT_EQ(rows.half[x], whole.half[x]) << "round " << round << ", row " << x;
            EXPECT_EQ(rows.stuck[x], whole.stuck[x]) << "round " << round << ", row " << x;
        }
        EXPECT_FALSE(rows.region_known);
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, ReindexChangedRows,
                         ::testing::Values(Change{"nothing", 5, 1, 0}, Change{"one_cell", -1, 1, 1},
                                           Change{"a_piece", -1, 4, 8}, Change{"few_cells_in_rows", -1, 5, 2},
                                           Change{"top_rows", 0, 2, 6}, Change{"bottom_rows", kBoardRows - 2, 2, 6},
                                           Change{"everywhere", 0, kBoardRows, 400}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessera
