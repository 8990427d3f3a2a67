// Writing the stack to placement files, keeping the best partial fill of the limit region, and
// rebuilding the whole search state from a placement file.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/solver.h"
#include "app/text.h"
#include "board/board.h"
#include "placement/board_index.h"
#include "search/atomic_file.h"
#include "search/placement_file.h"

namespace tessera {

int Solver::ulozit(const char* name) {
    if (!name || !*name) name = "tuton.txt";
    char text[kPlacementTextMax];
    const std::size_t len = placement_text(s_.reseni, s_.depth, text);
    if (const int err = write_file_atomically(name, text, len)) {
        panel_.report(format("Nemohu zapsat vysledny soubor: '%s' (%s)", name, std::strerror(err)));
        return -1;
    }
    return 0;
}

// "tuton.txt" at the end of a search. A search that ends with no piece on the board (no piece
// fits the first point, an empty region, a resumed stack lifted whole) does not replace an
// earlier result with an empty file: it may be the very file that was resumed from.
void Solver::write_final_result() {
    struct stat st {};
    if (s_.depth == 0 && ::stat("tuton.txt", &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        std::fprintf(stderr, "tuton.txt is kept as it was: the search ended with no piece on the board\n");
        return;
    }
    ulozit("");
}

int Solver::plocha_naplnena(i32 x1, i32 y1, i32 x2, i32 y2) {
    // Cells off the board count as full. The count of the region asked about last is kept as
    // pieces are laid and lifted.
    const int row_from = x1 < 0 ? 0 : x1 >= kBoardRows ? kBoardRows : x1 + 1;
    const int row_to = x2 >= kBoardRows ? kBoardRows - 1 : x2;
    const int col_from = y1 < 0 ? 0 : y1 >= kBoardCols ? kBoardCols : y1 + 1;
    const int col_to = y2 >= kBoardCols ? kBoardCols - 1 : y2;
    BoardIndex& index = *board_index_;
    if (!index.region_known || index.row_from != row_from || index.row_to != row_to || index.col_from != col_from ||
        index.col_to != col_to)
        count_region(s_.matice, index, row_from, row_to, col_from, col_to);
    const int unfilled = index.region_unfilled;
    if (unfilled == 0) return 1;
    if (unfilled < s_.best_unfilled) {
        ulozit("big.txt");
        s_.best_unfilled = unfilled;
    }
    return 0;
}

int Solver::nacti_reseni(const char* path) {
    // The file is read and checked aside first, so that a fault leaves the current state whole.
    auto list = std::make_unique<PlacementList>();
    std::string fault = read_placement_file(path, *list);
    if (fault.empty()) fault = resume_fault(s_.prvky, path, *list);
    if (!fault.empty()) {
        panel_.report(fault);
        return -1;
    }

    const std::string note = wrong_way_note(s_.prvky, path, *list);
    if (!note.empty()) std::fprintf(stderr, "%s\n", note.c_str());

    napln_matici();
    for (Placement& entry : s_.reseni) entry = s_.empty_placement;
    s_.depth = 0;
    for (OpenSpot& spot : s_.volny) spot = s_.empty_spot;
    s_.open_count = 0;
    for (i32& used : s_.piece_used) used = 0;
    for (int n = 0; n < list->count; ++n) s_.reseni[++s_.depth] = list->entries[n];

    // Replays the placements in their order, so that a spot is marked by the pieces placed
    // after it, and a hole whose cell is already full makes no spot. No limits apply here.
    for (int i = 1; i <= s_.depth; ++i) {
        const Placement& e = s_.reseni[i];
        const PieceRecord& rec = s_.prvky[e.piece][e.orientation];
        const int dr = e.row - rec.anchor_row, dc = e.col - rec.anchor_col;
        lay_cells(rec, e.row, e.col, 1);
        mark_spots_under(rec, e.row, e.col);
        for (int j = 1; j < kHoleSlots && rec.holes[j].kind > 0; ++j) {
            const int x = rec.holes[j].row + dr, y = rec.holes[j].col + dc;
            if (!on_board(x, y) || s_.matice[x][y] == kFull) continue;
            ++s_.open_count;
            s_.volny[s_.open_count] = OpenSpot{rec.number, rec.holes[j].kind, x, y, 0, 0};
        }
    }
    for (int i = 1; i <= s_.depth; ++i) s_.piece_used[s_.reseni[i].piece] = 1;
    return 0;
}

}  // namespace tessera
