// The catalogue as plain text, one line per orientation record and one per candidate list, so
// that catalogues of different builds can be compared line by line.
#pragma once

#include <cstdio>
#include <string>

#include "app/solver_state.h"

namespace tessera {

std::string record_line(const PieceRecord& record);
std::string kind_line(const SolverState& s, int kind);
void write_catalogue(const SolverState& s, std::FILE* out);

}  // namespace tessera
