// The solver: owns the one SolverState and holds every operation on it. Each operation is
// defined in the folder of its subsystem (board/, pieces/, placement/, search/); this file
// gathers them in one class so that they share the state as fields, not as arguments.
#pragma once

#include <memory>
#include <string>

#include "app/control_panel.h"
#include "app/solver_state.h"
#include "pieces/file_notes.h"

namespace tessera {
struct BoardIndex;
struct CandidateShape;
struct CellIndex;
struct CheckedBoard;
struct OpenCells;
}

namespace tessera {

// How a press of the button ended, so that a front end can tell its user.
enum class ClickResult {
    Stopped,      // the press stopped a running search
    SearchEnded,  // the press ran a search to one of its three ends
    BadParams,    // the parameters make no sense; nothing was started
    BadResume,    // the resume file could not be loaded; nothing was started
    NoPieces,     // no piece was loaded at start-up; nothing was started
};

class Solver {
public:
    explicit Solver(ControlPanel& panel);
    ~Solver();
    Solver(const Solver&) = delete;
    Solver& operator=(const Solver&) = delete;

    // The piece source file that start-up reads (default "zdroj.txt").
    void set_pieces_path(std::string path) { pieces_path_ = std::move(path); }
    const std::string& pieces_path() const { return pieces_path_; }

    // Start-up and the button (app/).
    void FormCreate();
    ClickResult Button1Click();

    // Board (board/).
    void napln_matici();
    // After the board was written other than through the solver's operations (tests do): the
    // row bitmaps that the check reads are rebuilt from it.
    void board_edited();

    // Piece catalogue (pieces/).
    int nacti_prvky();
    PieceRecord napln_prvek(i32 piece, i32 orientation) const;
    void nacti_hroty();
    void pridej_hrot(i32 kind, i32 piece, i32 orientation, i32 row, i32 col);
    void nacti_diry();
    void pridej_diru(i32 kind, i32 piece, i32 orientation, i32 row, i32 col);

    // Placement and checking (placement/).
    int kontrola(const PieceRecord& record) const;
    // The orientation of `piece` that the first-piece step lays on (target_row, target_col):
    // the first whose anchor cell points the way that cell does and that the check accepts.
    const PieceRecord* first_orientation(i32 piece) const;
    bool any_orientation_has_hole(i32 piece) const;
    void pridej_prvek(const PieceRecord& record);
    void odeber_prvek();
    void smaz(i32 index);

    // Search and its files (search/).
    int hledej();
    int ulozit(const char* name);
    int plocha_naplnena(i32 x1, i32 y1, i32 x2, i32 y2);
    int nacti_reseni(const char* path);
    void zapis_matici();
    void zapis_volny();

    SolverState& state() { return s_; }
    const SolverState& state() const { return s_; }
    // Passes between two "res_" progress files (1,000,000 unless set).
    void set_progress_every(std::int64_t passes) { progress_every_ = passes > 0 ? passes : 1; }

    // Result of the last piece load: 0 built, -1 the file could not be opened or read, -2 no
    // piece loads from it (a search could only end at once and overwrite the last result).
    int pieces_status() const { return pieces_status_; }
    // The status line's text when no piece was loaded: "Chybi " and the piece file's name.
    std::string missing_pieces_status() const;
    // The line that says why no search can start for lack of pieces; empty when pieces loaded.
    std::string pieces_fault() const;
    // Deepest stack seen since the current search started (for progress displays).
    i32 deepest() const { return deepest_; }

private:
    // Clears the running flag as a press of the button during a search does.
    void stop();
    ClickResult refuse(ClickResult why, std::string_view status);

    // Steps of the search (search/hledej.cpp).
    void start_search();
    void restart_if_region_filled();
    bool place_first_piece();
    const OpenSpot* first_open_spot() const;
    void gather_open_cells(struct OpenCells& open) const;
    bool try_candidates();
    void count_pass();
    void end_search();
    void write_final_result();
    void empty_search_state();
    void lay_first_piece(const PieceRecord& record);
    void lay_cells(const PieceRecord& record, i32 row, i32 col, int sign);
    void mark_spots_under(const PieceRecord& record, i32 row, i32 col);
    void debug_verify();
    void recount_board_index(BoardIndex& recount);

    // The parts of the check after rows_fit, with the record's cells at (dr, dc) from its grid.
    bool continues(const struct CellList& cells, const PieceRecord& record, int dr, int dc) const;
    bool fills(const struct CellList& cells, int dr, int dc) const;
    bool leaves_open_spot(const struct CellList& cells, int dr, int dc) const;
    bool opens_spot(const PieceRecord& record, int dr, int dc) const;

    // Steps of the catalogue (pieces/).
    bool build_orientations(i32 piece);
    bool has_pieces() const;
    // The listed cells of a record when it is a record of the catalogue, else nullptr.
    const struct CellList* cells_of(const PieceRecord& record) const;

    std::unique_ptr<SolverState> storage_;
    std::unique_ptr<CellIndex> cell_index_;
    std::unique_ptr<BoardIndex> board_index_;
    std::unique_ptr<CandidateShape[]> shapes_;  // beside the spike table's pool
    std::unique_ptr<CheckedBoard> checked_;      // the board of the last state check, in the fuzz build
    // The unfilled spots while the search tries the candidates of one spot, else nullptr.
    const OpenCells* open_cells_ = nullptr;
    SolverState& s_;
    ControlPanel& panel_;
    std::string pieces_path_ = kPieceFile;
    int pieces_status_ = 0;
    FileNotes notes_;  // start-up's notes on the piece file
    std::int64_t progress_every_ = 1000000;
    i32 deepest_ = 0;
};

}  // namespace tessera
