// Shared test helpers: a scratch working directory, file helpers, and a solver built from a
// piece file written by the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/solver.h"

namespace tessera::test {

// Makes a fresh directory and works in it for the life of the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

void write_file(const std::filesystem::path& path, const std::string& text);
std::string read_file(const std::filesystem::path& path);
bool file_exists(const std::filesystem::path& path);

// What the tessera program did when run with some arguments in the current directory.
struct Outcome {
    int status;  // exit status, -1 if it did not exit normally
    std::string out, err;
};
Outcome run_tessera(const std::string& args);
// The same for a shell command line.
Outcome run_command(const std::string& command);

// The shipped puzzle's folder.
std::filesystem::path shipped_data();

// One cell of a piece source file.
struct Cell {
    int piece, row, col, code;
};
std::string piece_file(const std::vector<Cell>& cells);

// Two pieces, each two full up cells with a gap between them: a hole of kind 26 in the first
// orientation, and spikes of kind 26 in the others. Small enough to follow a search by hand.
inline constexpr const char* kGapPair = "1 1 1 100\n1 1 3 100\n2 1 1 100\n2 1 3 100\n";

// Sixty random shapes of four full cells: searches on them (started on an empty first point,
// such as 10,21) run for many thousand passes.
std::string random_pieces(unsigned seed);

// A solver started up on a piece file, in its own scratch directory.
class SolverTest : public ::testing::Test {
protected:
    // Writes "zdroj.txt" and runs the start-up.
    void start_up(const std::string& pieces_text);
    void start_up(std::initializer_list<Cell> cells) { start_up(piece_file(cells)); }
    void start_up(const std::vector<Cell>& cells) { start_up(piece_file(cells)); }
    SolverState& s() { return solver->state(); }
    const PieceRecord& record(int piece, int orientation) { return s().prvky[piece][orientation]; }
    // Sets the parameter texts of the panel and copies them into the state as a search would.
    void set_params(const SearchParams& p);

    ScratchDir dir;
    MemoryPanel panel;
    std::unique_ptr<Solver> solver = std::make_unique<Solver>(panel);
};

// The cells of a record as "r,c=code" tokens, for readable comparisons.
std::vector<std::string> cell_tokens(const PieceRecord& record);

// Grid cells of the record as a set of (row, col) with non-zero codes.
std::vector<std::pair<int, int>> occupied(const PieceRecord& record);

}  // namespace tessera::test
