// The spike lists and hole lists of hand-made records.
#include <gtest/gtest.h>

#include "pieces/catalogue_text.h"
#include "pieces/rules.h"
#include "test_support.h"

namespace tessera {
namespace {

struct GridCell {
    int row, col, code;
};

class TablesTest : public test::SolverTest {
protected:
    void SetUp() override { start_up(""); }

    // Replaces record (p, o) with the given cells, as the loader would have stored them.
    void shape(int p, int o, std::initializer_list<GridCell> cells) {
        PieceRecord& rec = s().prvky[p][o];
        rec = PieceRecord{};
        rec.number = p;
        rec.orientation = o;
        for (const GridCell& c : cells) rec.cells[c.row][c.col] = c.code;
    }
    void build() {
        solver->nacti_hroty();
        solver->nacti_diry();
    }
    // Every candidate in the table as "kind:piece/orientation/row/col".
    std::vector<std::string> spikes() {
        std::vector<std::string> out;
        for (int k = 1; k <= kKinds; ++k)
            for (int i = 1; s().hroty[k][i].piece > 0; ++i) {
                const Candidate& c = s().hroty[k][i];
                out.push_back(std::to_string(k) + ":" + std::to_string(c.piece) + "/" + std::to_string(c.orientation) +
                              "/" + std::to_string(c.row) + "/" + std::to_string(c.col));
            }
        return out;
    }
    // The holes of a record as "kind@row,col" in slot order.
    std::vector<std::string> holes(int p, int o) {
        std::vector<std::string> out;
        const PieceRecord& rec = record(p, o);
        for (int slot = 1; slot < kHoleSlots && rec.holes[slot].kind != 0; ++slot)
            out.push_back(std::to_string(rec.holes[slot].kind) + "@" + std::to_string(rec.holes[slot].row) + "," +
                          std::to_string(rec.holes[slot].col));
        return out;
    }
};

using Strings = std::vector<std::string>;

TEST(RulesTest, EveryKindIsTestedForExactlyItsOwnCell) {
    for (int kind = 1; kind <= kKinds; ++kind) {
        const Rule& rule = kRules[kind];
        int found = 0;
        for (bool even : {true, false})
            for (int code = 0; code <= 100; code += 5)
                if (const int* kinds = kinds_to_test(even, code))
                    for (; *kinds; ++kinds)
                        if (*kinds == kind) {
                            ++found;
                            EXPECT_EQ(even, rule.even) << kind;
                            EXPECT_EQ(code, rule.code) << kind;
                        }
        EXPECT_EQ(found, 1) << kind;
    }
}

TEST_F(TablesTest, EmptyRecordsGiveNoSpikeAndNoHole) {
    build();
    EXPECT_TRUE(spikes().empty());
    EXPECT_TRUE(holes(1, 1).empty());
    EXPECT_EQ(record(5, 3).holes[2].piece, 5);  // free slots carry the piece number
}

TEST_F(TablesTest, CodesOfTheOtherDirectionAreIgnored) {
    shape(1, 1, {{2, 4, 10}, {2, 6, 50}});
    build();
    EXPECT_TRUE(spikes().empty());
}

TEST_F(TablesTest, LoneFullCellsHaveThreeSpikesAndNoHole) {
    shape(1, 1, {{2, 4, 100}});
    shape(2, 1, {{2, 3, 100}});
    build();
    EXPECT_EQ(spikes(), (Strings{"25:1/1/2/4", "26:2/1/2/3", "27:1/1/2/4", "28:2/1/2/3", "29:1/1/2/4", "30:2/1/2/3"}));
    EXPECT_TRUE(holes(1, 1).empty());
}

TEST_F(TablesTest, RhombusRowOfThreeAndHexagon) {
    shape(1, 1, {{2, 4, 100}, {2, 5, 100}});
    shape(2, 1, {{2, 4, 100}, {2, 5, 100}, {2, 6, 100}});
    shape(3, 1, {{2, 4, 100}, {2, 5, 100}, {2, 6, 100}, {3, 4, 100}, {3, 5, 100}, {3, 6, 100}});
    build();
    EXPECT_EQ(spikes(), (Strings{"25:1/1/2/4", "25:2/1/2/4", "27:2/1/2/6", "28:1/1/2/5"}));
    EXPECT_TRUE(holes(1, 1).empty());
    EXPECT_TRUE(holes(3, 1).empty());
}

TEST_F(TablesTest, GridEdgesReadAsEmpty) {
    shape(1, 1, {{6, 4, 5}});     // nothing below row 6
    shape(2, 1, {{2, 10, 100}});  // nothing right of column 10
    build();
    EXPECT_EQ(spikes(), (Strings{"7:1/1/6/4", "25:2/1/2/10", "27:2/1/2/10", "29:2/1/2/10"}));
}

TEST_F(TablesTest, ListsAreOrderedByPieceOrientationRowAndColumn) {
    shape(2, 1, {{2, 4, 100}});
    shape(1, 3, {{3, 5, 100}});
    shape(1, 3, {{3, 5, 100}, {5, 7, 100}});
    shape(1, 1, {{4, 6, 100}});
    build();
    EXPECT_EQ(kind_line(s(), 29), "kind 29 1/1/4/6 1/3/3/5 1/3/5/7 2/1/2/4");
}

TEST_F(TablesTest, IdenticalOrientationsAllGiveCandidates) {
    shape(1, 1, {{2, 4, 100}});
    shape(1, 3, {{2, 4, 100}});
    build();
    EXPECT_EQ(kind_line(s(), 29), "kind 29 1/1/2/4 1/3/2/4");
}

TEST_F(TablesTest, EmptyCellBetweenFullNeighboursIsAHole) {
    // Odd cell (2, 5) with full left and right neighbours and an empty cell above it.
    shape(1, 1, {{2, 4, 100}, {2, 6, 100}, {3, 5, 100}});
    // Even cell (2, 4) with full left, right and lower neighbours.
    shape(2, 1, {{2, 3, 100}, {2, 5, 100}, {3, 4, 100}});
    build();
    EXPECT_EQ(holes(1, 1), (Strings{"26@2,5", "28@3,4", "30@3,6"}));
    EXPECT_EQ(holes(2, 1), (Strings{"29@2,4", "25@2,4", "27@2,4"}));
}

TEST_F(TablesTest, HalfCellWithFullCellBelowIsAHoleOfKindSeven) {
    shape(1, 1, {{3, 5, 95}, {4, 5, 100}});
    shape(2, 1, {{6, 4, 95}});
    build();
    const Strings h = holes(1, 1);
    EXPECT_NE(std::find(h.begin(), h.end(), "7@3,5"), h.end());
    for (const std::string& hole : holes(2, 1)) EXPECT_NE(hole.substr(0, 2), "7@");
}

TEST_F(TablesTest, AFifthHoleIsDroppedWithAMessage) {
    // Two notches of three holes each, and one more between them.
    shape(1, 1, {{2, 3, 100}, {2, 5, 100}, {3, 4, 100}, {2, 7, 100}, {2, 9, 100}, {3, 8, 100}});
    testing::internal::CaptureStderr();
    build();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(holes(1, 1), (Strings{"29@2,4", "25@2,4", "27@2,4", "29@2,6"}));
    EXPECT_NE(err.find("piece 1, orientation 1"), std::string::npos) << err;
    EXPECT_EQ(record(1, 1).anchor_row, 0);  // nothing written past the list
}

TEST_F(TablesTest, CatalogueLinesHaveTheAgreedFormat) {
    shape(7, 2, {{2, 3, 100}, {2, 4, 100}, {3, 3, 85}});
    s().prvky[7][2].anchor_row = 2;
    s().prvky[7][2].anchor_col = 3;
    build();
    const std::string line = record_line(record(7, 2));
    EXPECT_EQ(line.substr(0, 56), "record 7 2 anchor 2 3 cells 2,3=100 2,4=100 3,3=85 holes") << line;
    EXPECT_NE(line.back(), ' ');
    EXPECT_EQ(record_line(record(8, 1)), "record 8 1 anchor 0 0 cells holes");
    EXPECT_EQ(kind_line(s(), 5), "kind 5");
}

}  // namespace
}  // namespace tessera
