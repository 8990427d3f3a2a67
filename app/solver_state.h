// The one record that holds every value of the solver. It is made once, zero-filled,
// owned by the solver for the life of the program and never copied.
#pragma once

#include <cstdint>

namespace tessera {

using i32 = std::int32_t;

inline constexpr int kBoardRows = 32;
inline constexpr int kBoardCols = 55;
inline constexpr int kPieceCount = 209;
inline constexpr int kOrientations = 6;
inline constexpr int kKinds = 36;
inline constexpr int kGridRows = 7;
inline constexpr int kGridCols = 11;
inline constexpr int kHoleSlots = 5;  // slot 0 unused, slots 1..4 hold holes
inline constexpr int kFull = 100;
// The piece source file that start-up reads unless told another.
inline constexpr const char* kPieceFile = "zdroj.txt";

// A laid cell of a record (rows 1..6, columns 1..10) is a spike of three kinds at most, so the
// candidates of all kinds together never exceed this; each list also has its unused entry 0
// and the empty entry that ends it.
inline constexpr int kMaxCandidates = kPieceCount * kOrientations * 60 * 3;
inline constexpr int kCandidatePool = kMaxCandidates + 2 * (kKinds + 1);

// 209 pieces open at most four spots each; the list also keeps one empty entry after its
// last one so that deleting an entry always copies an empty entry down.
inline constexpr int kMaxSpots = kPieceCount * 4;
inline constexpr int kSpotSlots = kMaxSpots + 2;
inline constexpr int kDumpedSpots = 301;  // the spot dump always shows entries 0..300

struct Placement {
    i32 piece;
    i32 row;
    i32 col;
    i32 orientation;
};

struct OpenSpot {
    i32 owner;
    i32 kind;
    i32 row;
    i32 col;
    i32 filled;
    i32 filler;
};

// Shaped like an OpenSpot, from which open spots are made; the last two fields stay 0.
struct Hole {
    i32 piece;
    i32 kind;
    i32 row;
    i32 col;
    i32 filled;
    i32 filler;
};

struct Candidate {
    i32 piece;
    i32 orientation;
    i32 row;
    i32 col;
};

struct PieceRecord {
    i32 number;
    i32 cells[kGridRows][kGridCols];
    Hole holes[kHoleSlots];
    i32 anchor_row;
    i32 anchor_col;
    i32 orientation;
};
static_assert(sizeof(PieceRecord) == 111 * sizeof(i32), "a piece record is 111 integers");

// Whether any cell of the record's grid is taken.
bool has_cells(const PieceRecord& record);

// The piece catalogue `prvky`: a record per piece number (0 to 209) and orientation (0 to 6).
using Catalogue = PieceRecord[kPieceCount + 1][kOrientations + 1];

struct SearchParams {
    i32 use_limits;
    i32 start_x;
    i32 start_y;
    i32 end_x;
    i32 end_y;
    i32 margin_start_x;
    i32 margin_start_y;
    i32 margin_end_x;
    i32 margin_end_y;
    i32 first_x;
    i32 first_y;
};

// The spike table: the list of kind k is entries 1..count of hroty[k], entry 0 unused and the
// entry after the last an empty one (piece 0). The lists lie one after another in one pool,
// each as long as the catalogue needs; the pool is written only up to the last list's end.
struct SpikeTable {
    i32 start[kKinds + 2];  // where each kind's entry 0 lies in the pool; start[kKinds + 1]: the end
    Candidate* operator[](int kind) { return pool + start[kind]; }
    const Candidate* operator[](int kind) const { return pool + start[kind]; }
    Candidate pool[kCandidatePool];
};

struct SolverState {
    PieceRecord prvky[kPieceCount + 1][kOrientations + 1];
    Placement reseni[kPieceCount + 1];
    OpenSpot volny[kSpotSlots];
    Placement empty_placement;
    OpenSpot empty_spot;
    i32 piece_used[kPieceCount + 1];
    i32 depth;
    i32 best_unfilled;
    i32 open_count;
    i32 running;
    i32 next_candidate;
    i32 first_piece;
    i32 target_row;
    i32 target_col;
    i32 spot_kind;
    i32 matice[kBoardRows][kBoardCols];
    // 64-bit so that the status and the file names keep counting past 2^31 passes.
    std::int64_t step_count;
    SearchParams params;
    // Length of each candidate list, kept beside the lists when they are built so that the
    // search can scan a list from its end without walking the free entries.
    i32 hroty_count[kKinds + 1];
    // Last, so that the pool beyond what the catalogue fills is never written, not even zeroed.
    SpikeTable hroty;
};

}  // namespace tessera
