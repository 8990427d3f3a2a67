// The check as the search runs it is arranged for speed (overlap first, codes laid on the board
// while it looks). This test holds it to a plain transcription of the three tests, run in
// their written order with every code combined by hand, on many boards and records.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "placement/planted_fault.h"
#include "test_support.h"

namespace tessera {
namespace {

int plain_check(const SolverState& s, const PieceRecord& rec) {
    const int ar = rec.anchor_row, ac = rec.anchor_col;
    const auto board_of = [&](int i, int j) { return std::pair{s.target_row + i - ar, s.target_col + j - ac}; };
    const auto grid = [&](int i, int j) { return i < 0 || i > 6 || j < 0 || j > 10 ? 0 : rec.cells[i][j]; };
    const auto board = [&](int r, int c) { return on_board(r, c) ? s.matice[r][c] : 100; };
    const auto combined = [&](int i, int j) {
        const auto [r, c] = board_of(i, j);
        return board(r, c) + grid(i, j);
    };

    // Continuation.
    int count = 0;
    for (int k = 1; k < kSpotSlots && s.volny[k].kind > 0; ++k) count += s.volny[k].filled == 0;
    for (int i = ar; i <= 6; ++i)
        for (int j = 1; j <= 10; ++j) {
            if (rec.cells[i][j] == 0) continue;
            const auto [r, c] = board_of(i, j);
            for (int k = 1; k < kSpotSlots && s.volny[k].kind > 0; ++k)
                if (s.volny[k].filled == 0 && s.volny[k].row == r && s.volny[k].col == c) --count;
        }
    if (count == 0 && s.depth != kPieceCount - 1) {
        bool found = false;
        for (int slot = 1; slot <= 4 && rec.holes[slot].kind > 0 && !found; ++slot) {
            const auto [r, c] = board_of(rec.holes[slot].row, rec.holes[slot].col);
            found = on_board(r, c) && s.matice[r][c] == 0 && s.params.start_x < r && r <= s.params.end_x &&
                    s.params.start_y < c && c <= s.params.end_y;
        }
        if (!found) return 0;
    }
    // Overlap.
    for (int i = ar; i <= 6; ++i)
        for (int j = 1; j <= 10; ++j) {
            const int g = rec.cells[i][j];
            if (g == 0) continue;
            const auto [r, c] = board_of(i, j);
            if (c < 1 || c > 53 || r < 1 || r > 30) return 0;
            if (s.matice[r][c] != 0 && s.matice[r][c] + g != 100) return 0;
        }
    // Fillability, straight from the tables of empty and half cells.
    struct Need {
        int dr, dc, a, b;
    };
    const Need up_empty[3] = {{1, 0, 70, 10}, {0, -1, 80, 30}, {0, 1, 90, 20}};
    const Need down_empty[3] = {{-1, 0, 25, 85}, {0, -1, 75, 5}, {0, 1, 95, 15}};
    struct HalfRow {
        int v, pdr, pdc, pcode, sdr, sdc, scode, tdr, tdc, tcode;
    };
    const HalfRow halves[12] = {
        {5, 0, 1, 90, 1, 0, 80, 0, 2, 25},     {15, 0, -1, 80, -1, -1, 5, 0, 1, 70},
        {25, 1, 0, 70, 1, -1, 15, 0, -1, 90},  {75, 0, 1, 20, -1, 1, 95, 0, -1, 10},
        {85, 1, 0, 10, 1, 1, 75, 0, 1, 30},    {95, 0, -1, 30, 1, 0, 20, 0, -2, 85},
        {10, -1, 0, 85, -1, 1, 30, 0, 1, 75},  {20, 0, -1, 75, -1, 0, 95, 0, -2, 10},
        {30, 0, 1, 95, 1, 1, 20, 0, -1, 85},   {70, -1, 0, 25, -1, -1, 90, 0, -1, 15},
        {80, 0, 1, 15, -1, 0, 5, 0, 2, 70},    {90, 0, -1, 5, 1, -1, 80, 0, 1, 25},
    };
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 10; ++j) {
            const auto [r, c] = board_of(i, j);
            if (r < 1 || r > 30 || c < 1 || c > 53) continue;
            const int v = combined(i, j);
            if (v == 100) continue;
            const bool up = (i + j) % 2 == 0;
            if (v == 0) {
                bool open = false;
                for (const Need& n : up ? up_empty : down_empty) {
                    const int w = combined(i + n.dr, j + n.dc);
                    open = open || w == 0 || w == n.a || w == n.b;
                }
                if (!open) return 0;
                continue;
            }
            for (const HalfRow& h : halves) {
                if (h.v != v || (up != (v % 10 == 5))) continue;
                const int p = combined(i + h.pdr, j + h.pdc);
                if (p == 0) break;
                if (p != h.pcode) return 0;
                const int second = combined(i + h.sdr, j + h.sdc), third = combined(i + h.tdr, j + h.tdc);
                if (!((second == 0 || second == h.scode) && (third == 0 || third == h.tcode))) return 0;
            }
        }
    return 1;
}

std::string mixed_pieces(unsigned seed) {
    std::mt19937 rng(seed);
    static const int up[] = {100, 100, 100, 5, 15, 25, 75, 85, 95}, down[] = {100, 100, 100, 10, 20, 30, 70, 80, 90};
    std::string text;
    for (int p = 1; p <= 209; ++p)
        for (int n = 0; n < 5; ++n) {
            const int r = 1 + static_cast<int>(rng() % 3), c = 1 + static_cast<int>(rng() % 5);
            const int code = (r + c) % 2 == 0 ? up[rng() % 9] : down[rng() % 9];
            text += std::to_string(p) + " " + std::to_string(r) + " " + std::to_string(c) + " " + std::to_string(code) + "\n";
        }
    return text;
}

// Stops searches on random pieces every few hundred passes, then asks both checks about random
// records at random places, many of them near an open spot. Returns the disagreements.
long disagreements_on_random_tries(long* compared = nullptr, long* accepted = nullptr) {
    test::ScratchDir dir;
    std::mt19937 rng(99);
    long disagreements = 0;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        test::write_file("zdroj.txt", mixed_pieces(seed));
        StopAtPassPanel panel;
        Solver solver(panel);
        panel.set_text(Control::Edit10, "12");
        panel.set_text(Control::Edit11, "25");
        panel.set_checked(seed == 2);
        testing::internal::CaptureStderr();
        solver.FormCreate();
        testing::internal::GetCapturedStderr();
        SolverState& s = solver.state();
        BoardMatrix before;
        for (int round = 0; round < 30; ++round) {
            panel.stop_at = 1 + static_cast<int>(rng() % 400);
            solver.Button1Click();
            if (s.depth == 0) continue;
            std::memcpy(before, s.matice, sizeof before);
            if (round % 3 == 0) s.depth = kPieceCount - 1;  // the last piece's rule too
            for (int t = 0; t < 600; ++t) {
                const PieceRecord& rec = s.prvky[1 + rng() % 209][1 + rng() % 6];
                s.target_row = static_cast<int>(rng() % 36) - 2;
                s.target_col = static_cast<int>(rng() % 60) - 2;
                if (t % 2 == 0 && s.open_count > 0) {
                    const OpenSpot& spot = s.volny[1 + rng() % s.open_count];
                    s.target_row = spot.row + static_cast<int>(rng() % 5) - 2;
                    s.target_col = spot.col + static_cast<int>(rng() % 7) - 3;
                }
                const int fast = solver.kontrola(rec);
                disagreements += fast != plain_check(s, rec);
                EXPECT_EQ(std::memcmp(before, s.matice, sizeof before), 0) << "the check left the board changed";
                if (compared) ++*compared;
                if (accepted) *accepted += fast;
            }
            s.depth = 0;
            for (int i = 1; i <= kPieceCount && s.reseni[i].piece; ++i) s.depth = i;
        }
    }
    return disagreements;
}

TEST(KontrolaSameAnswers, AsAPlainTranscriptionOnSearchStates) {
    long compared = 0, accepted = 0;
    EXPECT_EQ(disagreements_on_random_tries(&compared, &accepted), 0);
    EXPECT_GT(compared, 20000);
    EXPECT_GT(accepted, 200);
}

// The overlap alone, as the rules read: the oracle asks it first because it turns down most
// candidates cheaply; the verdict is the same, the three tests being all required.
bool plain_overlap_passes(const SolverState& s, const PieceRecord& rec) {
    for (int i = rec.anchor_row; i <= 6; ++i)
        for (int j = 1; j <= 10; ++j) {
            if (rec.cells[i][j] == 0) continue;
            const int r = s.target_row + i - rec.anchor_row, c = s.target_col + j - rec.anchor_col;
            if (c < 1 || c > 53 || r < 1 || r > 30) return false;
            if (s.matice[r][c] != 0 && s.matice[r][c] + rec.cells[i][j] != 100) return false;
        }
    return true;
}

// After every pass: what the plain check says the next pass must do at the first open spot
// (place the first free candidate it accepts, or lift), and whether the pass before did what it
// said. The check itself is also asked about every candidate on the way.
class OraclePanel : public MemoryPanel {
public:
    bool pump_events(const SolverState&) override {
        SolverState& s = solver->state();  // the oracle aims the check itself, as the search does
        if (expecting_ && s.reseni[1].piece == first_before_) judge_last_pass(s);
        expect_next_pass(s);
        return s.step_count < stop_at && !(first_only && disagreements > 0);
    }
    Solver* solver = nullptr;
    std::int64_t stop_at = 0;
    bool first_only = false;  // stop at the first disagreement
    long disagreements = 0, passes_judged = 0;

private:
    void judge_last_pass(const SolverState& s) {
        ++passes_judged;
        const bool placed =
            s.depth == depth_before_ + 1 && std::memcmp(&s.reseni[s.depth], &placement_, sizeof placement_) == 0;
        if (will_place_ ? !placed : s.depth >= depth_before_) ++disagreements;
    }

    void expect_next_pass(SolverState& s) {
        expecting_ = false;
        const OpenSpot* spot = nullptr;
        for (int i = 1; i <= s.open_count && !spot; ++i)
            if (s.volny[i].filled == 0) spot = &s.volny[i];
        if (s.depth == 0 || s.depth == kPieceCount || !spot) return;
        const i32 keep_row = s.target_row, keep_col = s.target_col;
        will_place_ = false;
        const Candidate* list = s.hroty[spot->kind];
        for (int i = s.next_candidate; list[i].piece > 0 && !will_place_; ++i) {
            if (s.piece_used[list[i].piece] != 0) continue;
            const PieceRecord& rec = s.prvky[list[i].piece][list[i].orientation];
            s.target_row = spot->row + rec.anchor_row - list[i].row;
            s.target_col = spot->col + rec.anchor_col - list[i].col;
            const int plain = plain_overlap_passes(s, rec) ? plain_check(s, rec) : 0;
            disagreements += solver->kontrola(rec) != plain;
            if (plain == 0) continue;
            will_place_ = true;
            placement_ = Placement{rec.number, s.target_row, s.target_col, rec.orientation};
        }
        s.target_row = keep_row, s.target_col = keep_col;
        depth_before_ = s.depth;
        first_before_ = s.reseni[1].piece;
        expecting_ = true;
    }

    bool expecting_ = false, will_place_ = false;
    Placement placement_{};
    i32 depth_before_ = 0, first_before_ = 0;
};

struct LongSearch {
    const char* name;
    std::string pieces;  // text of the piece file
    const char* first_x;
    const char* first_y;
    bool limits;
    std::string resume;  // placement file to start from, if any
    int passes;
};

std::vector<LongSearch> long_searches() {
    const std::string shipped = test::read_file(test::shipped_data() / "zdroj.txt");
    const std::string small = test::read_file(test::shipped_data().parent_path() / "scripts" / "speed_pieces.txt");
    const std::string partial = (test::shipped_data() / "partial_10.txt").string();
    return {
        {"shipped puzzle, limits", shipped, "1", "18", true, "", 3000},
        {"shipped puzzle, no limits", shipped, "1", "18", false, "", 3000},
        {"shipped puzzle, resumed", shipped, "1", "18", false, partial, 3000},
        {"small set", small, "15", "27", false, "", 3000},
        {"random halves, limits", mixed_pieces(4), "12", "25", true, "", 2000},
        {"random halves, other parity", mixed_pieces(5), "12", "26", false, "", 2000},
    };
}

// Runs the searches with the oracle after every pass; returns the disagreements (only whether
// there is one, when judged is nullptr).
long disagreements_in_long_searches(long* judged = nullptr) {
    long total = 0;
    for (const LongSearch& search : long_searches()) {
        if (!judged && total > 0) break;
        test::ScratchDir dir;
        test::write_file("zdroj.txt", search.pieces);
        OraclePanel panel;
        Solver solver(panel);
        panel.solver = &solver;
        panel.stop_at = search.passes;
        panel.first_only = judged == nullptr;
        panel.set_text(Control::Edit10, search.first_x);
        panel.set_text(Control::Edit11, search.first_y);
        panel.set_text(Control::Edit1, search.resume);
        panel.set_checked(search.limits);
        testing::internal::CaptureStderr();
        solver.FormCreate();
        solver.Button1Click();
        testing::internal::GetCapturedStderr();
        if (judged) {
            EXPECT_GT(panel.passes_judged, search.passes / 2) << search.name;
        }
        total += panel.disagreements;
        if (judged) *judged += panel.passes_judged;
    }
    return total;
}

TEST(KontrolaSameAnswers, AsThePlainTestsOnEveryPassOfLongSearches) {
    long judged = 0;
    EXPECT_EQ(disagreements_in_long_searches(&judged), 0);
    EXPECT_GT(judged, 8000);
}

// Each fault planted in a fast path must show as a disagreement.
TEST(KontrolaSameAnswers, EveryPlantedFaultIsNoticed) {
    for (const PlantedFault fault :
         {PlantedFault::ShapeDropsCell, PlantedFault::NearIsSettled, PlantedFault::OpenSpotMissed}) {
        planted_fault = fault;
        long found = disagreements_in_long_searches();
        if (found == 0) found = disagreements_on_random_tries();
        planted_fault = PlantedFault::None;
        EXPECT_GT(found, 0) << "planted fault " << static_cast<int>(fault);
    }
}

}  // namespace
}  // namespace tessera
