// The start-up steps that every front end below the window shares: the working directory, the
// solver on the piece file, and placement files read with one line on a fault.
#pragma once

#include <memory>
#include <string>

#include "app/solver.h"
#include "search/placement_file.h"

namespace tessera {

// Changes into the working directory (none when empty); false (after one line on standard
// error) when that is not possible.
bool enter_work_dir(const std::string& dir);

// Enters the working directory and runs the start-up on the piece file; nullptr (after one line
// on standard error) when either fails.
std::unique_ptr<Solver> start_up(ControlPanel& panel, const std::string& work_dir, const std::string& pieces);

// Reads a placement file into `list`; false after one line on standard error naming the fault.
bool read_placements(const std::string& path, PlacementList& list);

}  // namespace tessera
