// Whole searches on small piece sets: each of the three ends, stops, resumes, the labels and
// the files the search writes.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "board/cell_codes.h"

#include "test_support.h"

namespace tessera {
namespace {

using test::file_exists;
using test::kGapPair;
using test::random_pieces;
using test::read_file;

// A panel that stops the search at a chosen pass, and keeps every status text it was given.
class ScriptedPanel : public StopAtPassPanel {
public:
    void set_caption(Control control, std::string_view caption) override {
        MemoryPanel::set_caption(control, caption);
        if (control == Control::Label3) statuses.emplace_back(caption);
    }
    bool pump_events(const SolverState& s) override {
        ++pumps;
        return StopAtPassPanel::pump_events(s);
    }
    int pumps = 0;
    std::vector<std::string> statuses;
};

class SearchTest : public ::testing::Test {
protected:
    // Random shapes have no half for the default first point's half cell, so these searches
    // start on an empty cell.
    void start_up_random(unsigned seed) {
        start_up(random_pieces(seed));
        panel.set_text(Control::Edit10, "10");
        panel.set_text(Control::Edit11, "21");
    }
    void start_up(const std::string& pieces) {
        test::write_file("zdroj.txt", pieces);
        solver->FormCreate();
    }
    SolverState& s() { return solver->state(); }

    test::ScratchDir dir;
    ScriptedPanel panel;
    std::unique_ptr<Solver> solver = std::make_unique<Solver>(panel);
};

// One whole cell: it loads, but fits no half cell and opens no hole.
constexpr const char* kLoneCell = "1 1 1 100\n";

TEST_F(SearchTest, NoFirstPieceAcceptedExhaustsTheSearch) {
    start_up(kLoneCell);
    EXPECT_EQ(solver->Button1Click(), ClickResult::SearchEnded);
    EXPECT_EQ(s().first_piece, 210);
    EXPECT_EQ(s().step_count, 0);
    EXPECT_EQ(s().running, 0);
    EXPECT_EQ(read_file("tuton.txt"), "");
    EXPECT_EQ(panel.caption(Control::Label3), "Tak a je to v prdeli !!!");
    EXPECT_EQ(panel.caption(Control::Button1), "Zastav to") << "the search leaves the caption alone";
    EXPECT_FALSE(file_exists("big.txt"));
}

TEST_F(SearchTest, PressWithoutPiecesStartsNothingAndKeepsTheResult) {
    test::write_file("tuton.txt", "1 10 21 1\n");
    testing::internal::CaptureStderr();
    solver->FormCreate();
    EXPECT_EQ(solver->Button1Click(), ClickResult::NoPieces);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(read_file("tuton.txt"), "1 10 21 1\n");
    EXPECT_EQ(panel.caption(Control::Label3), "Chybi zdroj.txt");
    EXPECT_EQ(panel.caption(Control::Button1), "Pust se do toho");
    EXPECT_EQ(s().running, 0);
}

TEST_F(SearchTest, FullStackRunsNoPass) {
    start_up(kLoneCell);
    for (int i = 1; i <= kPieceCount; ++i) s().reseni[i] = Placement{i, 1, 1, 1};
    s().depth = kPieceCount;
    solver->Button1Click();
    EXPECT_EQ(panel.pumps, 0);
    EXPECT_EQ(panel.statuses, (std::vector<std::string>{"Uz to zacalo !!!!", "Tak a je to tam !!!"}));
    const std::string tuton = read_file("tuton.txt");
    EXPECT_EQ(std::count(tuton.begin(), tuton.end(), '\n'), kPieceCount);
    EXPECT_EQ(tuton.substr(0, 8), "1 1 1 1\n");
}

TEST_F(SearchTest, StopPressEndsTheSearchAfterThatPassAndKeepsThePlacement) {
    start_up_random(3);
    panel.stop_at = 250;
    EXPECT_EQ(solver->Button1Click(), ClickResult::SearchEnded);
    EXPECT_EQ(s().step_count, 250);
    EXPECT_EQ(s().running, 0);
    EXPECT_EQ(panel.caption(Control::Button1), "Pust se do toho");
    EXPECT_EQ(panel.caption(Control::Label3), "200") << "the last status shown";
    ASSERT_GT(s().depth, 0);
    std::string expected;
    for (int i = 1; i <= s().depth; ++i)
        expected += std::to_string(s().reseni[i].piece) + " " + std::to_string(s().reseni[i].row) + " " +
                    std::to_string(s().reseni[i].col) + " " + std::to_string(s().reseni[i].orientation) + "\n";
    EXPECT_EQ(read_file("tuton.txt"), expected);
}

TEST_F(SearchTest, LabelsShowTheStepCountAndDepthEveryHundredPasses) {
    start_up_random(3);
    panel.stop_at = 99;
    solver->Button1Click();
    EXPECT_EQ(panel.caption(Control::Label3), "Uz to zacalo !!!!");
    EXPECT_EQ(panel.caption(Control::Label5), "0");
    panel.stop_at = 100;
    solver->Button1Click();
    EXPECT_EQ(panel.caption(Control::Label3), "100");
    EXPECT_EQ(panel.caption(Control::Label5), std::to_string(s().depth));
}

// A stopped search goes on from the same stack, with the spot's candidates tried afresh; two
// stops in a row give the same stack as one search stopped at the sum, when the first stop
// falls right after a placement.
TEST_F(SearchTest, StoppedSearchResumesFromItsStack) {
    start_up_random(5);
    panel.stop_at = 40;
    solver->Button1Click();
    const int depth = s().depth;
    const Placement first = s().reseni[1];
    panel.stop_at = 1;
    solver->Button1Click();
    EXPECT_EQ(s().step_count, 1);
    EXPECT_EQ(s().reseni[1].piece, first.piece) << "same first piece";
    EXPECT_GE(s().depth, depth - 1);
}

TEST_F(SearchTest, ProgressFilesCarryTheStepCount) {
    start_up_random(3);
    solver->set_progress_every(100);
    panel.stop_at = 300;
    solver->Button1Click();
    EXPECT_TRUE(file_exists("res_100.txt"));
    EXPECT_TRUE(file_exists("res_200.txt"));
    EXPECT_TRUE(file_exists("res_300.txt"));
    EXPECT_EQ(read_file("res_300.txt"), read_file("tuton.txt"));
    EXPECT_FALSE(file_exists("big.txt")) << "no limits, no region test";
}

TEST_F(SearchTest, ResumedSearchContinuesWithTheNextFirstPiece) {
    start_up(kGapPair);
    test::write_file("resume.txt", "2 10 21 1\n");
    panel.set_text(Control::Edit1, "resume.txt");
    solver->Button1Click();
    EXPECT_EQ(s().first_piece, 210);
    EXPECT_EQ(s().reseni[1].piece, 0);
}

TEST_F(SearchTest, RefusedResumeStartsNothing) {
    start_up(kGapPair);
    test::write_file("tuton.txt", "earlier result\n");
    panel.set_text(Control::Edit1, "missing.txt");
    testing::internal::CaptureStderr();
    EXPECT_EQ(solver->Button1Click(), ClickResult::BadResume);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(read_file("tuton.txt"), "earlier result\n");
    EXPECT_EQ(s().running, 0);
    EXPECT_EQ(panel.caption(Control::Button1), "Pust se do toho");
}

// Off the board, or on the frame ("abc" reads as 0, and 0,18 is a full cell), where no piece
// fits: nothing starts, and the status and the message say which.
TEST_F(SearchTest, FirstPointWhereNoPieceCanGoIsRefused) {
    start_up(kGapPair);
    const struct {
        const char* x;
        const char* message;
        const char* status;
    } cases[] = {{"40", "first point 40,18 lies outside the board", "Chybne parametry"},
                 {"abc", "first point 0,18 lies on a full cell", "Prvni bod je plny"}};
    for (const auto& c : cases) {
        panel.set_text(Control::Edit10, c.x);
        testing::internal::CaptureStderr();
        EXPECT_EQ(solver->Button1Click(), ClickResult::BadParams) << c.x;
        EXPECT_NE(testing::internal::GetCapturedStderr().find(c.message), std::string::npos) << c.x;
        EXPECT_EQ(panel.caption(Control::Label3), c.status);
        EXPECT_FALSE(file_exists("tuton.txt"));
    }
}

// Limits on, the region is row 2, columns 19..21: the first piece covers two of its cells and
// leaves a spot between them; the second piece fills it and opens a spot further up.
TEST_F(SearchTest, FilledRegionIsWrittenAndTheSearchStartsOverWithTheNextFirstPiece) {
    start_up(kGapPair);
    panel.set_checked(true);
    panel.set_text(Control::Edit10, "2");
    panel.set_text(Control::Edit11, "19");
    panel.set_text(Control::Edit8, "1");   // margin_start_x
    panel.set_text(Control::Edit9, "18");  // margin_start_y
    panel.set_text(Control::Edit6, "18");  // margin_end_x
    panel.set_text(Control::Edit7, "19");  // margin_end_y
    solver->Button1Click();
    EXPECT_EQ(read_file("var_1.txt"), "1 2 19 1\n2 1 21 2\n");
    EXPECT_EQ(read_file("var_2.txt"), "2 2 19 1\n1 1 21 2\n");
    EXPECT_EQ(read_file("big.txt"), "") << "written once, before the first piece";
    EXPECT_EQ(s().step_count, 2);
    EXPECT_EQ(s().first_piece, 210);
    EXPECT_EQ(read_file("tuton.txt"), "");
}

// A region with no cell would count as filled on every pass, writing a "var_" file of every
// first piece's empty board: it is refused before anything runs, and the panel says why.
TEST_F(SearchTest, AnEmptyRegionIsRefusedBeforeTheSearch) {
    start_up(kGapPair);
    panel.set_checked(true);
    panel.set_text(Control::Edit10, "2");
    panel.set_text(Control::Edit11, "19");
    panel.set_text(Control::Edit6, "30");  // the region's last row lies above its first
    EXPECT_EQ(solver->Button1Click(), ClickResult::BadParams);
    EXPECT_EQ(panel.caption(Control::Label3), "Chybne parametry");
    EXPECT_FALSE(file_exists("var_0.txt"));
    EXPECT_FALSE(file_exists("tuton.txt"));
}

// An empty whole cell passes the check in either direction; the first piece must still lie with
// its anchor cell pointing the way the first point's cell points. The gap pair's first
// orientation has its anchor pointing up, the second down.
TEST_F(SearchTest, FirstPieceLiesTheWayTheFirstPointsCellPoints) {
    start_up(kGapPair);
    const struct {
        const char* first_y;
        Placement expected;
    } cases[] = {{"21", {1, 10, 21, 1}}, {"22", {1, 10, 22, 2}}};
    for (const auto& c : cases) {
        solver->FormCreate();
        panel.set_text(Control::Edit10, "10");
        panel.set_text(Control::Edit11, c.first_y);
        panel.stop_at = 1;
        solver->Button1Click();
        const Placement& first = s().reseni[1];
        EXPECT_EQ((std::array{first.piece, first.row, first.col, first.orientation}),
                  (std::array{c.expected.piece, c.expected.row, c.expected.col, c.expected.orientation}));
        const PieceRecord& rec = s().prvky[first.piece][first.orientation];
        EXPECT_EQ(grid_cell_points_up(rec.anchor_row, rec.anchor_col), board_cell_points_up(first.row, first.col));
    }
}

}  // namespace
}  // namespace tessera
