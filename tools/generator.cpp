#include "tools/generator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

#include "app/solver.h"
#include "app/text.h"
#include "board/board.h"
#include "board/cell_codes.h"
#include "search/atomic_file.h"
#include "search/placement_file.h"
#include "check/checker.h"
#include "tools/random.h"
#include "tools/shape_fit.h"

namespace tessera::tools {

namespace {

// Separate streams for the cut, the turns and numbers, and the pieces taken out, so that a
// change in one does not reshuffle the others.
constexpr std::uint64_t kTurnStream = 0x7475726e73ULL;
constexpr std::uint64_t kRemoveStream = 0x72656d6f7665ULL;
constexpr std::uint64_t kDistinctStream = 0x64697374696e6374ULL;

std::string placements_text(const std::vector<Placement>& list) {
    std::vector<Placement> stack(list.size() + 1);
    std::copy(list.begin(), list.end(), stack.begin() + 1);
    std::string text(kPlacementTextMax, '\0');
    text.resize(placement_text(stack.data(), static_cast<int>(list.size()), text.data()));
    return text;
}

std::string write_text(const std::string& path, const std::string& text, GenerateReport& report) {
    if (const int err = write_file_atomically(path, text))
        return format("cannot write '%s' (%s)", path.c_str(), std::strerror(err));
    report.files.push_back(path);
    return {};
}

}  // namespace

std::string make_puzzle(std::uint64_t seed, Puzzle& out, const PuzzleOptions& options) {
    out = Puzzle{};
    std::vector<std::vector<CellCode>> cut;
    if (std::string fault = cut_board(seed, cut, &out.stats); !fault.empty()) return fault;
    if (options.distinct)
        if (std::string fault = make_shapes_distinct(seed ^ kDistinctStream, cut, out.distinct, options.distinct_tries);
            !fault.empty())
            return "--distinct: " + fault;

    Random rng(seed ^ kTurnStream);
    std::vector<int> numbers(kPieceCount);
    for (int i = 0; i < kPieceCount; ++i) numbers[i] = i + 1;
    for (int i = kPieceCount - 1; i > 0; --i)
        std::swap(numbers[i], numbers[rng.below(static_cast<std::uint64_t>(i) + 1)]);

    out.board_cells.resize(kPieceCount);
    out.file_cells.resize(kPieceCount);
    out.orientation.resize(kPieceCount);
    for (int i = 0; i < kPieceCount; ++i) {
        const int p = numbers[i];
        out.cut_order.push_back(p);
        std::sort(cut[i].begin(), cut[i].end(),
                  [](const CellCode& a, const CellCode& b) { return a.row != b.row ? a.row < b.row : a.col < b.col; });
        out.board_cells[p - 1] = cut[i];
        // Orientation o shows the file's shape turned by (o - 1) x 60 degrees, so the file holds
        // the piece turned back by as much: by (7 - o) mod 6 turns.
        std::vector<int> usable;
        std::vector<CellCode> grid;
        for (int o = 1; o <= kOrientations; ++o)
            if (file_shape(cut[i], (7 - o) % 6, grid)) usable.push_back(o);
        if (usable.empty()) return format("piece %d fits no turn of the piece file's grid", p);
        const int o = usable[rng.below(usable.size())];
        file_shape(cut[i], (7 - o) % 6, out.file_cells[p - 1]);
        out.orientation[p - 1] = o;
    }
    return {};
}

std::string pieces_text(const Puzzle& puzzle) {
    std::string text;
    for (std::size_t i = 0; i < puzzle.file_cells.size(); ++i)
        for (const CellCode& c : puzzle.file_cells[i]) text += format("%zu %d %d %d\n", i + 1, c.row, c.col, c.code);
    return text;
}

std::string find_placements(const Catalogue& prvky, const Puzzle& puzzle,
                            std::vector<Placement>& out) {
    out.clear();
    for (int p : puzzle.cut_order) {
        const std::vector<CellCode>& want = puzzle.board_cells[p - 1];
        int board[kBoardRows][kBoardCols] = {};
        for (const CellCode& c : want) board[c.row][c.col] = c.code;

        const auto covers_exactly = [&](const PieceRecord& rec, int row, int col) {
            std::size_t matched = 0;
            for (int r = 0; r < kGridRows; ++r)
                for (int c = 0; c < kGridCols; ++c) {
                    if (rec.cells[r][c] == 0) continue;
                    const int x = row + r - rec.anchor_row, y = col + c - rec.anchor_col;
                    if (x < 0 || x >= kBoardRows || y < 0 || y >= kBoardCols || board[x][y] != rec.cells[r][c])
                        return false;
                    ++matched;
                }
            return matched == want.size();
        };
        const int meant = puzzle.orientation[p - 1];
        const int order[kOrientations] = {
            meant, meant % 6 + 1, (meant + 1) % 6 + 1, (meant + 2) % 6 + 1, (meant + 3) % 6 + 1, (meant + 4) % 6 + 1};
        bool found = false;
        for (int o : order) {
            const PieceRecord& rec = prvky[p][o];
            if (rec.anchor_row == 0) return format("piece %d has no shape after loading the piece file", p);
            for (int row = 0; row < kBoardRows && !found; ++row)
                for (int col = 0; col < kBoardCols && !found; ++col)
                    if (covers_exactly(rec, row, col)) {
                        out.push_back({p, row, col, o});
                        found = true;
                    }
            if (found) break;
        }
        if (!found) return format("no orientation of piece %d, as loaded, covers the cells it was cut from", p);
    }
    return {};
}

std::vector<int> removal_order(std::uint64_t seed, const Puzzle& puzzle) {
    const int n = static_cast<int>(puzzle.board_cells.size());
    std::vector<int> owner(kBoardSixths, -1);
    std::vector<double> ch(n), cv(n);
    for (int i = 0; i < n; ++i) {
        double h = 0, v = 0;
        for (const CellCode& c : puzzle.board_cells[i]) {
            const unsigned mask = sixth_mask(c.code, board_cell_points_up(c.row, c.col));
            for (int s = 0; s < 6; ++s)
                if ((mask >> s) & 1) owner[sixth_id(c.row, c.col, s)] = i;
            // Cell centres in half edges across and in row heights (sqrt 3 half edges) down.
            h += c.col;
            v += c.row + (board_cell_points_up(c.row, c.col) ? 2.0 / 3 : 1.0 / 3);
        }
        ch[i] = h / static_cast<double>(puzzle.board_cells[i].size());
        cv[i] = v / static_cast<double>(puzzle.board_cells[i].size());
    }
    const auto& neighbours = board_sixth_neighbours();

    // The first piece lies in the middle part of the board, so that even the larger groups
    // are surrounded by pieces rather than cut off by the outline.
    std::vector<int> middle;
    for (int i = 0; i < n; ++i)
        if (std::abs(cv[i] - kBoardRows / 2.0) <= 5 && std::abs(ch[i] - (kBoardCols - 1) / 2.0) <= 10)
            middle.push_back(i);
    Random rng(seed ^ kRemoveStream);
    const int first = middle.empty() ? 0 : middle[rng.below(middle.size())];
    std::vector<int> order{first};
    std::vector<char> taken(n, 0), bordering(n, 0);
    taken[first] = 1;
    while (static_cast<int>(order.size()) < n) {
        const int last = order.back();
        for (int id = 0; id < kBoardSixths; ++id) {
            if (owner[id] != last) continue;
            for (int nb : neighbours[id].id)
                if (nb >= 0 && owner[nb] >= 0 && !taken[owner[nb]]) bordering[owner[nb]] = 1;
        }
        int best = -1;
        double best_d = 0;
        for (int i = 0; i < n; ++i) {
            if (!bordering[i] || taken[i]) continue;
            const double dh = ch[i] - ch[first], dv = cv[i] - cv[first];
            const double d = dh * dh + 3 * dv * dv;
            if (best < 0 || d < best_d) best = i, best_d = d;
        }
        if (best < 0) break;
        taken[best] = 1;
        order.push_back(best);
    }
    for (int& i : order) i += 1;  // piece numbers
    return order;
}

int count_loaded_shapes(const Catalogue& prvky) {
    // Each piece by the least of its orientations, each moved to the top-left corner of the
    // grid by a shift that keeps every cell's direction.
    std::set<std::vector<int>> forms;
    for (int p = 1; p <= kPieceCount; ++p) {
        std::vector<int> least;
        for (int o = 1; o <= kOrientations; ++o) {
            const PieceRecord& rec = prvky[p][o];
            int top = kGridRows, left = kGridCols;
            for (int r = 0; r < kGridRows; ++r)
                for (int c = 0; c < kGridCols; ++c)
                    if (rec.cells[r][c] != 0) top = std::min(top, r), left = std::min(left, c);
            left -= (top + left) & 1;
            std::vector<int> form;
            for (int r = 0; r < kGridRows; ++r)
                for (int c = 0; c < kGridCols; ++c)
                    if (rec.cells[r][c] != 0) form.insert(form.end(), {r - top, c - left, rec.cells[r][c]});
            if (o == 1 || form < least) least = std::move(form);
        }
        forms.insert(std::move(least));
    }
    return static_cast<int>(forms.size());
}

std::string generate_puzzle_files(const std::string& dir, std::uint64_t seed, const std::vector<int>& remove,
                                  GenerateReport& report, const PuzzleOptions& options) {
    report = GenerateReport{};
    for (int k : remove)
        if (k < 1 || k > kPieceCount) return format("--remove: %d is not in 1..%d", k, kPieceCount);

    Puzzle puzzle;
    if (std::string fault = make_puzzle(seed, puzzle, options); !fault.empty()) return fault;
    report.stats = puzzle.stats;
    report.distinct = puzzle.distinct;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return format("cannot create the directory '%s' (%s)", dir.c_str(), ec.message().c_str());
    // Half cells of pieces, less the outline's, come in pairs: one pair per cell cut in two.
    int halves = 0;
    for (const auto& cells : puzzle.board_cells)
        for (const CellCode& c : cells) halves += c.code != kFull;
    BoardMatrix initial;
    fill_initial_board(initial);
    for (const auto& row : initial)
        for (i32 code : row) halves -= code != 0 && code != kFull;
    report.cut_cells = halves / 2;

    const std::string pieces_path = dir + "/zdroj.txt";
    if (std::string fault = write_text(pieces_path, pieces_text(puzzle), report); !fault.empty()) return fault;

    MemoryPanel panel;
    auto solver = std::make_unique<Solver>(panel);
    solver->set_pieces_path(pieces_path);
    solver->FormCreate();
    if (solver->pieces_status() != 0) return format("cannot read back '%s'", pieces_path.c_str());
    const SolverState& s = solver->state();

    std::vector<Placement> solution;
    if (std::string fault = find_placements(s.prvky, puzzle, solution); !fault.empty())
        return pieces_path + ": " + fault;
    for (const Placement& e : solution) report.turned_as_meant += e.orientation == puzzle.orientation[e.piece - 1];
    report.shapes = count_loaded_shapes(s.prvky);
    if (options.distinct && report.shapes != kPieceCount)
        return format("%s: only %d different shapes among the %d pieces as loaded", pieces_path.c_str(), report.shapes,
                      kPieceCount);

    const std::string solution_path = dir + "/solution.txt";
    if (std::string fault = write_text(solution_path, placements_text(solution), report); !fault.empty()) return fault;

    const std::vector<int> order = removal_order(seed, puzzle);
    std::vector<std::pair<std::string, int>> partials;
    for (int k : remove) {
        std::vector<char> out(kPieceCount + 1, 0);
        for (int i = 0; i < k; ++i) out[order[i]] = 1;
        std::vector<Placement> partial;
        for (const Placement& e : solution)
            if (!out[e.piece]) partial.push_back(e);
        const std::string path = dir + format("/partial_%d.txt", k);
        if (std::string fault = write_text(path, placements_text(partial), report); !fault.empty()) return fault;
        partials.emplace_back(path, k);
    }

    // The files as a user would load them: the solution must fill every cell of the board.
    if (solver->nacti_reseni(solution_path.c_str()) != 0)
        return format("'%s' does not load as a resume file", solution_path.c_str());
    for (const auto& row : s.matice)
        for (i32 code : row)
            if (code != kFull)
                return format("'%s' loads but leaves a cell of the board not full", solution_path.c_str());
    if (const check::PlacementReport report = check::check_stack(s); !report.complete())
        return format("'%s': %s", solution_path.c_str(), check::verdict(report).c_str());
    for (const auto& [path, k] : partials) {
        if (solver->nacti_reseni(path.c_str()) != 0) return format("'%s' does not load as a resume file", path.c_str());
        if (s.depth != kPieceCount - k)
            return format("'%s' loads %d pieces instead of %d", path.c_str(), s.depth, kPieceCount - k);
        if (!check::check_stack(s).valid()) return format("'%s': %s", path.c_str(), check::verdict(check::check_stack(s)).c_str());
    }
    return {};
}

}  // namespace tessera::tools
