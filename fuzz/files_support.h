// What the fuzz targets of the solve's own files share: a small problem to check what they
// name against (the fixed piece set, a region of a few cells), built once per run.
#pragma once

#include "solve/problem.h"

namespace tessera::fuzz {

const solve::Problem& small_problem();

}  // namespace tessera::fuzz
