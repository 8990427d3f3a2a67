// In debug and sanitizer builds the search checks after every pass that the board, the piece
// flags and the open-spot list still agree with the stack, so that corruption is caught at
// the pass that caused it. Release builds compile this away.
//
// The fuzz build (TESSERA_VERIFY_CHANGED_ROWS) recounts the row bitmaps only where the board
// changed since the last check, which gives the same bitmaps as a whole recount as long as the
// last check found them right: a row whose codes and neighbour rows did not change must keep
// the bits that were checked. Every kWholeRecountEvery-th pass recounts the whole board.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/solver.h"
#include "board/board.h"
#include "placement/board_index.h"
#include "placement/cell_list.h"

namespace tessera {

#ifdef TESSERA_VERIFY
namespace {

[[noreturn]] void corrupted(const char* what, long a, long b) {
    std::fprintf(stderr, "internal check failed: %s (%ld, %ld)\n", what, a, b);
    std::abort();
}

#ifdef TESSERA_VERIFY_CHANGED_ROWS
constexpr std::int64_t kWholeRecountEvery = 256;
#endif

}  // namespace
#endif

// The bitmaps that a recount of the board gives, for the check to compare with those kept.
void Solver::recount_board_index(BoardIndex& recount) {
#ifdef TESSERA_VERIFY_CHANGED_ROWS
    if (checked_ && s_.step_count % kWholeRecountEvery != 0) {
        reindex_changed_rows(s_.matice, *checked_, recount);
        return;
    }
#endif
    index_board(s_.matice, recount);
}

void Solver::debug_verify() {
#ifdef TESSERA_VERIFY
    BoardMatrix board;
    fill_initial_board(board);
    i32 used[kPieceCount + 1] = {};
    for (int i = 1; i <= s_.depth; ++i) {
        const Placement& e = s_.reseni[i];
        if (e.piece < 1 || e.piece > kPieceCount) corrupted("stack entry holds no piece", i, e.piece);
        used[e.piece] = 1;
        const PieceRecord& rec = s_.prvky[e.piece][e.orientation];
        for_each_laid_cell(rec, e.row, e.col, [&](int x, int y, int code) { board[x][y] += code; });
    }
    // One comparison of the whole board is far cheaper than one per cell, in the sanitizer
    // builds that run this after every pass; the cell is looked for only when they differ.
    if (std::memcmp(board, s_.matice, sizeof board) != 0)
        for (int x = 0; x < kBoardRows; ++x)
            for (int y = 0; y < kBoardCols; ++y)
                if (board[x][y] != s_.matice[x][y]) corrupted("board differs from the stack at cell", x, y);
    for (int p = 0; p <= kPieceCount; ++p)
        if (used[p] != s_.piece_used[p]) corrupted("piece flag differs from the stack for piece", p, s_.piece_used[p]);
    for (int i = s_.depth + 1; i <= kPieceCount; ++i)
        if (s_.reseni[i].piece != 0) corrupted("stack entry past the depth", i, s_.reseni[i].piece);
    for (int i = 1; i <= s_.open_count; ++i)
        if (s_.volny[i].kind <= 0) corrupted("open spot without a kind inside the list", i, s_.volny[i].kind);
    for (int i = s_.open_count + 1; i < kSpotSlots; ++i)
        if (s_.volny[i].kind != 0 || s_.volny[i].owner != 0) corrupted("open spot past the list's end", i, s_.open_count);

    // The row bitmaps and the region's count, kept as pieces move, against a recount.
    BoardIndex recount;
    recount_board_index(recount);
    const BoardIndex& kept = *board_index_;
    for (int x = 0; x < kBoardRows; ++x) {
        if (kept.empty[x] != recount.empty[x] || kept.half[x] != recount.half[x])
            corrupted("empty or half bits differ from the board in row", x, 0);
        if (kept.stuck[x] != recount.stuck[x]) corrupted("fillability bits differ from a recount in row", x, 0);
    }
    if (kept.region_known) {
        count_region(s_.matice, recount, kept.row_from, kept.row_to, kept.col_from, kept.col_to);
        if (kept.region_unfilled != recount.region_unfilled)
            corrupted("unfilled region cells differ from a recount", kept.region_unfilled, recount.region_unfilled);
    }
#ifdef TESSERA_VERIFY_CHANGED_ROWS
    if (!checked_) checked_ = std::make_unique<CheckedBoard>();
    std::memcpy(checked_->board, s_.matice, sizeof checked_->board);
    checked_->index = kept;
#endif
#endif
}

}  // namespace tessera
