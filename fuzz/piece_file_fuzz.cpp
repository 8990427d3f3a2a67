// The piece file loader on any bytes: start-up reads them as "zdroj.txt", the catalogue it
// builds must hold only what the records can hold, and a short search on it must keep the
// solver state sound and write a file that loads back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "app/solver.h"
#include "board/cell_codes.h"
#include "fuzz/fuzz_support.h"

namespace tessera::fuzz {
namespace {

// Every record is one orientation of its piece, in its standard place, with a sound anchor,
// codes that suit their cells, and holes and candidates that point into the grid.
void check_catalogue(const Solver& solver) {
    const SolverState& s = solver.state();
    for (int p = 1; p <= kPieceCount; ++p)
        for (int o = 1; o <= kOrientations; ++o) {
            const PieceRecord& rec = s.prvky[p][o];
            if (rec.number != p || rec.orientation != o)
                fail("record %d/%d says piece %d orientation %d", p, o, rec.number, rec.orientation);
            int first_r = 0, first_c = 0;
            const bool shaped = has_cells(rec);  // most records of a short file are empty
            for (int r = 0; r < kGridRows && shaped; ++r)
                for (int c = 0; c < kGridCols; ++c) {
                    const int v = rec.cells[r][c];
                    if (v == 0) continue;
                    if (!code_fits(v, grid_cell_points_up(r, c))) fail("record %d/%d holds %d at %d,%d", p, o, v, r, c);
                    if (r < 2 || c < 3) fail("record %d/%d has a cell at %d,%d, outside its standard place", p, o, r, c);
                    if (first_r == 0) first_r = r, first_c = c;
                }
            if (rec.anchor_row != first_r || rec.anchor_col != first_c)
                fail("record %d/%d has anchor %d,%d, its first cell is %d,%d", p, o, rec.anchor_row, rec.anchor_col,
                     first_r, first_c);
            bool ended = false;
            for (int slot = 1; slot < kHoleSlots; ++slot) {
                const Hole& h = rec.holes[slot];
                if (h.kind == 0) {
                    ended = true;
                    continue;
                }
                if (ended || h.kind < 1 || h.kind > kKinds || h.row < 1 || h.row > 6 || h.col < 1 || h.col > 10)
                    fail("record %d/%d hole slot %d: kind %d at %d,%d", p, o, slot, h.kind, h.row, h.col);
            }
        }
    for (int k = 1; k <= kKinds; ++k) {
        const int count = s.hroty_count[k];
        if (count < 0 || count > kMaxCandidates) fail("kind %d counts %d candidates", k, count);
        for (int i = 1; i <= count; ++i) {
            const Candidate& c = s.hroty[k][i];
            if (c.piece < 1 || c.piece > kPieceCount || c.orientation < 1 || c.orientation > kOrientations ||
                c.row < 1 || c.row > 6 || c.col < 1 || c.col > 10)
                fail("kind %d candidate %d: %d/%d at %d,%d", k, i, c.piece, c.orientation, c.row, c.col);
            if (s.prvky[c.piece][c.orientation].cells[c.row][c.col] == 0)
                fail("kind %d candidate %d names an empty cell", k, i);
        }
        if (s.hroty[k][count + 1].piece != 0) fail("kind %d: the list does not end after its count", k);
    }
}

// A pass on a large piece set costs the most (long candidate lists, a state check over many
// stacked pieces) after a start-up that derived over a thousand records: sets beyond forty
// pieces get fewer passes, down to 30 for all 209, so that such inputs do not take most of a run.
std::int64_t passes_for(const SolverState& s) {
    int pieces = 0;
    for (int p = 1; p <= kPieceCount; ++p) pieces += s.prvky[p][1].anchor_row != 0;
    return pieces <= 40 ? 150 : std::max(30, 150 * 40 / pieces);
}

// A short search from the state that start-up leaves, which must stay sound and write a result
// that loads back.
void search_from(Solver& solver, StopAtPassPanel& panel, const char* first_x, const char* first_y) {
    panel.set_text(Control::Edit10, first_x);
    panel.set_text(Control::Edit11, first_y);
    panel.stop_at = passes_for(solver.state());
    solver.Button1Click();
    if (solver.state().step_count > panel.stop_at) fail("the search ran %lld passes", static_cast<long long>(solver.state().step_count));
    check_state(solver);
    check_reloads(solver, "tuton.txt");
}

}  // namespace
}  // namespace tessera::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessera;
    using namespace tessera::fuzz;
    static Harness* harness = nullptr;
    const bool first = !harness;
    if (first) harness = new Harness;
    StopAtPassPanel& panel = harness->panel;
    Solver& solver = harness->solver;
    if (first) enter_work_dir();
    remove_files_except({});
    write_input("zdroj.txt", data, size);
    solver.FormCreate();
    // A regular file that opens is refused only when no piece loads from it.
    if (solver.pieces_status() != 0 && solver.pieces_status() != -2) fail("a piece file gives status %d", solver.pieces_status());
    check_catalogue(solver);
    if (solver.pieces_status() == -2) {
        for (int p = 1; p <= kPieceCount; ++p)
            if (solver.state().prvky[p][1].anchor_row != 0) fail("piece %d loaded, yet the file is refused", p);
        return 0;
    }
    check_state(solver);
    // One search per input keeps the target fast: at the board's corner (the window's default
    // first point, a half cell) for inputs of odd length, in the open middle for the others.
    if (size % 2 != 0)
        search_from(solver, panel, "1", "18");
    else
        search_from(solver, panel, "10", "21");
    return 0;
}
