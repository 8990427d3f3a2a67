// PNG pictures of a board, drawn by the same painter as the window's board view. Built only
// where Qt is at hand.
#pragma once

#include <string>

#include "app/solver_state.h"

namespace tessera::cli {

bool png_available();
// Writes the board of `state` with its placed pieces; false with `why` set on failure.
bool write_board_png(const SolverState& state, const std::string& path, std::string* why);

}  // namespace tessera::cli
