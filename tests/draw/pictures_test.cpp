// Pictures: what is drawn, counted in the SVG text, for placements of a generated puzzle.
#include "draw/pictures.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "tools/generator.h"

namespace tessera {
namespace {

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class PicturesTest : public test::SolverTest {
protected:
    void SetUp() override {
        tools::GenerateReport report;
        ASSERT_EQ(tools::generate_puzzle_files(".", 3, {10}, report), "");
        solver->FormCreate();
    }
    std::string draw(const char* path, bool spots) {
        auto list = std::make_unique<PlacementList>();
        EXPECT_EQ(read_placement_file(path, *list), "");
        draw::BoardPicture picture;
        picture.title = path;
        if (spots) {
            EXPECT_EQ(solver->nacti_reseni(path), 0);
            picture.spots = s().volny;
            picture.spot_count = s().open_count;
        }
        return draw::board_svg(s().prvky, *list, picture);
    }
};

TEST_F(PicturesTest, BoardShowsEveryPlacedPieceWithItsNumber) {
    const std::string svg = draw("solution.txt", false);
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_EQ(count(svg, "<g class=\"piece\""), kPieceCount);
    EXPECT_EQ(count(svg, "<g "), count(svg, "</g>"));
    // Every piece's number, once, in the numbers group.
    const std::string numbers = svg.substr(svg.find("class=\"numbers\""));
    EXPECT_EQ(count(numbers, "<text"), kPieceCount);
    // 1,230 whole cells and 48 cut ones, each cut one drawn as its two halves.
    const std::string cells =
        svg.substr(svg.find("class=\"cells\""), svg.find("class=\"piece\"") - svg.find("class=\"cells\""));
    EXPECT_EQ(count(cells, "<polygon"), 1230 + 2 * 48);
}

TEST_F(PicturesTest, PartialBoardDrawsOnlyItsPiecesAndTheSpotsStillOpen) {
    const std::string svg = draw("partial_10.txt", true);
    EXPECT_EQ(count(svg, "<g class=\"piece\""), kPieceCount - 10);
    int open = 0;
    for (int k = 1; k <= s().open_count; ++k) open += s().volny[k].filled == 0;
    EXPECT_EQ(count(svg.substr(svg.find("class=\"spots\"")), "<circle"), open);

    // Spots that a later piece filled are not drawn, and each open one carries its kind.
    OpenSpot spots[4] = {};
    spots[1] = {5, 7, 10, 21, 0, 0};
    spots[2] = {5, 12, 12, 21, 1, 9};
    spots[3] = {6, 29, 14, 21, 0, 0};
    auto empty = std::make_unique<PlacementList>();
    draw::BoardPicture picture;
    picture.spots = spots;
    picture.spot_count = 3;
    const std::string marked = draw::board_svg(s().prvky, *empty, picture);
    const std::string group = marked.substr(marked.find("class=\"spots\""));
    EXPECT_EQ(count(group, "<circle"), 2);
    EXPECT_EQ(count(group, ">7</text>"), 1);
    EXPECT_EQ(count(group, ">29</text>"), 1);
    EXPECT_EQ(count(group, ">12</text>"), 0);
}

TEST_F(PicturesTest, CatalogueDrawsSixRecordsOfEveryPieceWithAnchorsAndHoles) {
    const std::string svg = draw::catalogue_svg(s());
    EXPECT_EQ(count(svg, "<g class=\"record\""), kPieceCount * kOrientations);
    int holes = 0;
    for (int p = 1; p <= kPieceCount; ++p)
        for (int o = 1; o <= kOrientations; ++o)
            for (int slot = 1; slot < kHoleSlots && s().prvky[p][o].holes[slot].kind > 0; ++slot) ++holes;
    // One dot for each record's anchor, one ring for each hole.
    EXPECT_EQ(count(svg, "<circle"), kPieceCount * kOrientations + holes);
    EXPECT_EQ(count(svg, "no shape"), 0);
}

}  // namespace
}  // namespace tessera
