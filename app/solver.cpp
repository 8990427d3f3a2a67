// Start-up and the button: the two ways in which the user interface enters the solver.
#include "app/solver.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/search_params.h"
#include "placement/board_index.h"
#include "placement/candidate_shape.h"
#include "placement/cell_list.h"

namespace tessera {

namespace {

// The state is far too large for the call stack; it is made once on the heap, zero-filled but
// for the spike table's pool past its first two entries (every list then reads as empty), so
// that only the pages that the catalogue fills are ever touched.
SolverState* new_state() {
    void* raw = ::operator new(sizeof(SolverState));
    std::memset(raw, 0, offsetof(SolverState, hroty) + offsetof(SpikeTable, pool) + 2 * sizeof(Candidate));
    return static_cast<SolverState*>(raw);
}

}  // namespace

Solver::Solver(ControlPanel& panel)
    : storage_(new_state()),
      cell_index_(new CellIndex{}),
      board_index_(new BoardIndex{}),
      s_(*storage_),
      panel_(panel) {}

Solver::~Solver() = default;

void Solver::FormCreate() {
    napln_matici();
    pieces_status_ = nacti_prvky();
    nacti_hroty();
    nacti_diry();
    build_cell_index(s_, *cell_index_);
    shapes_.reset(new CandidateShape[static_cast<std::size_t>(s_.hroty.start[kKinds + 1])]);
    build_candidate_shapes(s_, *cell_index_, shapes_.get());
    s_.running = 0;
    for (i32& used : s_.piece_used) used = 0;
    s_.depth = 0;
    s_.open_count = 0;
    s_.empty_placement = Placement{};
    s_.empty_spot = OpenSpot{};
    for (int i = 1; i <= kPieceCount; ++i) s_.reseni[i] = s_.empty_placement;
    for (OpenSpot& spot : s_.volny) spot = s_.empty_spot;
}

ClickResult Solver::Button1Click() {
    if (s_.running != 0) {
        panel_.set_caption(Control::Button1, "Pust se do toho");
        s_.running = 0;
        return ClickResult::Stopped;
    }
    panel_.set_caption(Control::Button1, "Zastav to");
    s_.running = 1;

    // Nothing is started, and nothing of the current state is lost, when the parameters make no
    // sense or the named file cannot be loaded.
    const auto refuse = [&](ClickResult why, const char* status) {
        panel_.set_caption(Control::Button1, "Pust se do toho");
        panel_.set_caption(Control::Label3, status);
        s_.running = 0;
        return why;
    };
    const std::string fault = params_fault(read_params(panel_));
    if (!fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return refuse(ClickResult::BadParams, "Chybne parametry");
    }
    const std::string resume = panel_.text(Control::Edit1);
    if (!resume.empty() && nacti_reseni(resume.c_str()) != 0)
        return refuse(ClickResult::BadResume, "Predesle reseni nelze nacist");
    hledej();
    return ClickResult::SearchEnded;
}

}  // namespace tessera
