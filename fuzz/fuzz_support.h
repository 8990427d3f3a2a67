// What the fuzz targets share: a private working directory, a panel and its solver, a small
// fixed piece set, and checks of the solver state that hold after any load and any pass,
// whatever the input was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/solver.h"

namespace tessera::fuzz {

// Makes a fresh directory (in /dev/shm when there is one, so that the synced writes of the
// search cost little) and works in it until the program ends; it is removed at exit.
void enter_work_dir();

// Writes bytes to a file of the working directory; aborts if that fails.
void write_input(const char* name, const std::uint8_t* data, std::size_t size);
void write_input(const char* name, std::string_view text);

// Removes every file of the working directory except those named.
void remove_files_except(std::initializer_list<const char*> keep);

// Forty small shapes: two with halves and thirty-eight of three to five full cells, enough for searches of many thousand passes.
std::string_view fixed_pieces();

// A panel and the solver it drives, made once per fuzz run and kept to its end (the state is
// large, and a fresh one for every input would be most of the run's time).
struct Harness {
    StopAtPassPanel panel;
    Solver solver{panel};
    Harness() { panel.stop_at = 300; }
};

// Aborts with a message naming what does not hold:
// - the board is the initial board plus the cells of the stacked pieces, and every cell holds
//   0, 100 or a half code;
// - the flags mark exactly the stacked pieces, each once; entries past the depth are empty;
// - the open-spot list holds open_count entries with a kind 1..36, and nothing after them.
void check_state(const Solver& solver);

// Aborts unless the file loads back into `solver` with the same stack as `solver` holds.
void check_reloads(Solver& solver, const char* name);

[[noreturn]] void fail(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tessera::fuzz
