// Start-up and the button: the two ways in which the user interface enters the solver.
#include "app/solver.h"

#include <string>

#include "app/search_params.h"
#include "app/text.h"
#include "placement/cell_list.h"

namespace tessera {

// The state is far too large for the call stack; it is made once, zero-filled, on the heap.
Solver::Solver(ControlPanel& panel)
    : storage_(new SolverState{}), cell_index_(new CellIndex{}), s_(*storage_), panel_(panel) {}

Solver::~Solver() = default;

void Solver::FormCreate() {
    napln_matici();
    pieces_status_ = nacti_prvky();
    nacti_hroty();
    nacti_diry();
    build_cell_index(s_, *cell_index_);
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
        stop();
        return ClickResult::Stopped;
    }
    panel_.set_caption(Control::Button1, "Zastav to");
    s_.running = 1;

    // Nothing is started, and nothing of the current state or of the files is lost, when there
    // are no pieces, the parameters make no sense or the named file cannot be loaded.
    // Start-up has already reported the piece file's fault.
    if (pieces_status_ != 0) return refuse(ClickResult::NoPieces, missing_pieces_status());
    // The parameters are read and checked once per start, and the search keeps them.
    const SearchParams params = read_params(panel_);
    if (const ParamsFault fault = params_fault(params); !fault.empty()) {
        panel_.report(fault.line);
        return refuse(ClickResult::BadParams, fault.status);
    }
    const std::string resume = panel_.text(Control::Edit1);
    if (!resume.empty() && nacti_reseni(resume.c_str()) != 0)
        return refuse(ClickResult::BadResume, "Predesle reseni nelze nacist");
    s_.params = params;
    hledej();
    return ClickResult::SearchEnded;
}

void Solver::stop() {
    panel_.set_caption(Control::Button1, "Pust se do toho");
    s_.running = 0;
}

ClickResult Solver::refuse(ClickResult why, std::string_view status) {
    stop();
    panel_.set_caption(Control::Label3, status);
    return why;
}

std::string Solver::pieces_fault() const {
    if (pieces_status_ == 0) return {};
    return format("no pieces were loaded from '%s'; there is nothing to search", pieces_path_.c_str());
}

std::string Solver::missing_pieces_status() const {
    const std::size_t slash = pieces_path_.rfind('/');
    return "Chybi " + pieces_path_.substr(slash == std::string::npos ? 0 : slash + 1);
}

}  // namespace tessera
