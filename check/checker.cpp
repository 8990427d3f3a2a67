#include "check/checker.h"

#include <memory>

#include "app/text.h"
#include "board/board.h"
#include "board/cell_codes.h"

namespace tessera::check {

namespace {

struct Cover {
    int piece;
    int code;
    long line;
};

std::string cover_text(const Cover& c) { return format("piece %d (%d, line %ld)", c.piece, c.code, c.line); }

}  // namespace

PlacementReport check_placement(const Catalogue& prvky, const PlacementList& list,
                                const std::string& path) {
    PlacementReport report;
    report.placed = list.count;
    const char* file = path.c_str();
    BoardMatrix initial;
    fill_initial_board(initial);
    std::vector<std::vector<Cover>> covers(kBoardRows * kBoardCols);
    long first_line[kPieceCount + 1] = {};

    for (int n = 0; n < list.count; ++n) {
        const Placement& e = list.entries[n];
        const long line = list.lines[n];
        if (e.piece < 1 || e.piece > kPieceCount || e.orientation < 1 || e.orientation > kOrientations) {
            report.shapeless.push_back(format("%s:%ld: piece %d in orientation %d is not in the catalogue", file, line,
                                              e.piece, e.orientation));
            continue;
        }
        if (first_line[e.piece] != 0)
            report.twice.push_back(format("%s:%ld: piece %d is placed again (first on line %ld)", file, line, e.piece,
                                          first_line[e.piece]));
        else
            first_line[e.piece] = line;

        const PieceRecord& rec = prvky[e.piece][e.orientation];
        bool any = false, misturned = false;
        for (int r = 0; r < kGridRows; ++r)
            for (int c = 0; c < kGridCols; ++c) {
                const int code = rec.cells[r][c];
                if (code == 0) continue;
                any = true;
                const int x = e.row + r - rec.anchor_row, y = e.col + c - rec.anchor_col;
                if (!on_board(x, y)) {
                    report.off_board.push_back(
                        format("%s:%ld: piece %d puts a cell at %d,%d, off the board", file, line, e.piece, x, y));
                    continue;
                }
                // A record cell must land on a board cell that points the same way, or the piece
                // is not the shape its record describes.
                if (grid_cell_points_up(r, c) != board_cell_points_up(x, y)) misturned = true;
                covers[x * kBoardCols + y].push_back({e.piece, code, line});
            }
        if (!any)
            report.shapeless.push_back(format("%s:%ld: piece %d has no shape in the piece file", file, line, e.piece));
        if (misturned)
            report.misturned.push_back(
                format("%s:%ld: piece %d at %d,%d lies on cells that point the other way "
                       "(row + column of its place has the wrong parity)",
                       file, line, e.piece, e.row, e.col));
    }

    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y) {
            const std::vector<Cover>& on = covers[x * kBoardCols + y];
            const int outside = initial[x][y];
            const int parts = static_cast<int>(on.size()) + (outside != 0 ? 1 : 0);
            bool has_whole = outside == kFull;
            int sum = outside;
            for (const Cover& c : on) {
                has_whole = has_whole || c.code == kFull;
                sum += c.code;
            }
            if (on.empty()) {
                if (outside != kFull) {
                    ++report.incomplete;
                    report.incomplete_cells.push_back(format("%d,%d holds %d", x, y, outside));
                }
                continue;
            }
            const long line = on.back().line;
            if (parts >= 3 || (has_whole && parts >= 2)) {
                std::string what = outside == kFull ? "the frame or the outside"
                                   : outside != 0   ? format("the outside half %d", outside)
                                                    : "";
                for (const Cover& c : on) what += (what.empty() ? "" : " + ") + cover_text(c);
                report.overfull.push_back(
                    format("%s:%ld: cell %d,%d is covered more than once: %s", file, line, x, y, what.c_str()));
            } else if (parts == 2 && sum != kFull) {
                const std::string a = outside != 0 ? format("the outside half %d", outside) : cover_text(on[0]);
                report.unmatched.push_back(format("%s:%ld: cell %d,%d: %s and %s do not complete each other", file,
                                                  line, x, y, a.c_str(), cover_text(on.back()).c_str()));
            } else if (sum != kFull) {
                ++report.incomplete;
                report.incomplete_cells.push_back(format("%d,%d holds %d", x, y, sum));
            }
        }
    return report;
}

PlacementReport check_stack(const SolverState& s) {
    auto list = std::make_unique<PlacementList>();
    for (int i = 1; i <= s.depth && i <= kPieceCount; ++i) {
        list->entries[list->count] = s.reseni[i];
        list->lines[list->count] = i;
        ++list->count;
    }
    return check_placement(s.prvky, *list, "stack");
}

std::string verdict(const PlacementReport& report) {
    for (const auto* faults :
         {&report.twice, &report.shapeless, &report.off_board, &report.misturned, &report.overfull, &report.unmatched})
        if (!faults->empty()) return "fault: " + faults->front();
    if (report.incomplete != 0) return format("not complete: %d cells", report.incomplete);
    return "verified";
}

}  // namespace tessera::check
