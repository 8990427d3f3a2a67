#include "app/control_panel.h"

#include <cstdio>

#include "app/search_params.h"
#include "app/solver_state.h"

namespace tessera {

MemoryPanel::MemoryPanel() {
    for (const ParamSpec& entry : kParamTable) texts_[static_cast<int>(entry.control)] = entry.default_text;
    texts_[static_cast<int>(Control::Button1)] = "Pust se do toho";
    texts_[static_cast<int>(Control::Label3)] = "Nezačal";
    texts_[static_cast<int>(Control::Label5)].assign(1, '0');  // gcc 12 warns falsely on = "0"
}

std::string MemoryPanel::text(Control edit) { return texts_[static_cast<int>(edit)]; }

bool MemoryPanel::checked(Control) { return checked_; }

void MemoryPanel::set_caption(Control control, std::string_view caption) {
    std::string& text = texts_[static_cast<int>(control)];
    text.assign(caption.data(), caption.size());
}

void MemoryPanel::set_text(Control edit, std::string_view text) { texts_[static_cast<int>(edit)] = text; }

void ControlPanel::report(std::string_view line) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

bool StopAtPassPanel::pump_events(const SolverState& state) { return stop_at <= 0 || state.step_count < stop_at; }

const std::string& MemoryPanel::caption(Control control) const { return texts_[static_cast<int>(control)]; }

}  // namespace tessera
