#include "solve/problem.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>

#include "board/board.h"
#include "board/cell_codes.h"

namespace tessera::solve {

namespace {

// The first of the three sixths of each half, for up- and down-pointing cells (see the header
// for the numbering: the cut of a half runs along two opposite rays of the six).
struct HalfStart {
    int code;
    int first;
};
constexpr HalfStart kUpStarts[6] = {{5, 3}, {95, 0}, {15, 5}, {85, 2}, {25, 1}, {75, 4}};
constexpr HalfStart kDownStarts[6] = {{10, 4}, {90, 1}, {20, 0}, {80, 3}, {30, 2}, {70, 5}};

// Across each sixth's outer edge: the neighbour's offset and sixth, for up- and down-pointing
// cells. An up cell meets the cell below with its bottom edge, its left and right neighbours
// with its slanted edges; a down cell meets the cell above with its top edge.
struct Across {
    int dr, dc, sixth;
};
constexpr Across kUpAcross[6] = {{1, 0, 2}, {0, 1, 5}, {0, 1, 4}, {0, -1, 1}, {0, -1, 0}, {1, 0, 3}};
constexpr Across kDownAcross[6] = {{0, 1, 4}, {0, 1, 3}, {-1, 0, 0}, {-1, 0, 5}, {0, -1, 2}, {0, -1, 1}};

struct RecordCell {
    int r, c, code;  // r and c relative to the anchor
    bool up;         // the grid cell points up
};

std::vector<RecordCell> record_cells(const PieceRecord& rec) {
    std::vector<RecordCell> out;
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c)
            if (rec.cells[r][c] != 0) out.push_back({r - rec.anchor_row, c - rec.anchor_col, rec.cells[r][c], grid_cell_points_up(r, c)});
    return out;
}

bool same_cells(const PieceRecord& a, const PieceRecord& b) {
    return std::memcmp(a.cells, b.cells, sizeof a.cells) == 0 && a.anchor_row == b.anchor_row &&
           a.anchor_col == b.anchor_col;
}

std::uint64_t mix(std::uint64_t h, std::int64_t v) {
    h ^= static_cast<std::uint64_t>(v) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h * 0x100000001b3ULL;
}

class Builder {
public:
    Builder(const Catalogue& prvky, Problem& out) : prvky_(prvky), p_(out) {}

    void board_cells() {
        BoardMatrix board;
        fill_initial_board(board);
        for (const Placement& e : p_.fixed) {
            const PieceRecord& rec = prvky_[e.piece][e.orientation];
            for (const RecordCell& rc : record_cells(rec)) board[e.row + rc.r][e.col + rc.c] += rc.code;
        }
        cell_of_.assign(kBoardRows * kBoardCols, -1);
        for (int x = 0; x < kBoardRows; ++x)
            for (int y = 0; y < kBoardCols; ++y) {
                const bool up = board_cell_points_up(x, y);
                const int code = board[x][y];
                const std::uint32_t taken = code == 0 ? 0 : sixths_of_code(code, up);
                const std::uint32_t free = code == 0 ? kWholeMask : (taken == 0 ? 0 : kWholeMask & ~taken);
                if (free == 0) continue;
                cell_of_[x * kBoardCols + y] = static_cast<int>(p_.cell_row.size());
                p_.cell_row.push_back(x);
                p_.cell_col.push_back(y);
                p_.free_mask.push_back(free);
                const Region& g = p_.region;
                const bool inside = !g.limited || (x > g.x1 && x <= g.x2 && y > g.y1 && y <= g.y2);
                p_.primary_mask.push_back(inside ? free : 0);
                p_.primary_area += inside ? std::popcount(free) : 0;
            }
        const int cells = static_cast<int>(p_.cell_row.size());
        p_.across.assign(static_cast<std::size_t>(cells) * kSixthsPerCell, -1);
        for (int i = 0; i < cells; ++i)
            for (int k = 0; k < kSixthsPerCell; ++k) {
                int nx, ny, nk;
                if (!sixth_across(p_.cell_row[i], p_.cell_col[i], k, nx, ny, nk)) continue;
                const int j = cell_of_[nx * kBoardCols + ny];
                if (j >= 0 && (p_.free_mask[j] >> nk & 1)) p_.across[sixth_of(i, k)] = sixth_of(j, nk);
            }
    }

    void shape_classes() {
        bool fixed[kPieceCount + 1] = {};
        for (const Placement& e : p_.fixed) fixed[e.piece] = true;
        for (int p = 1; p <= kPieceCount; ++p) {
            if (fixed[p] || prvky_[p][1].anchor_row == 0) continue;
            ShapeClass* home = nullptr;
            for (ShapeClass& c : p_.classes)
                for (int o = 1; o <= kOrientations && !home; ++o)
                    if (same_cells(prvky_[c.members[0]][o], prvky_[p][1])) home = &c;
            if (!home) {
                p_.classes.emplace_back();
                home = &p_.classes.back();
                for (const RecordCell& rc : record_cells(prvky_[p][1]))
                    home->area += rc.code == kFull ? kSixthsPerCell : kSixthsPerCell / 2;
            }
            home->members.push_back(p);
            std::array<std::int32_t, kOrientations + 1> map{};
            for (int o = 1; o <= kOrientations; ++o)
                for (int m = kOrientations; m >= 1; --m)
                    if (same_cells(prvky_[home->members[0]][o], prvky_[p][m])) map[o] = m;
            home->orientation_of.push_back(map);
            p_.piece_area += home->area;
        }
    }

    // Every orientation of the class's first member at every anchor where it fits; an
    // orientation whose record repeats an earlier one would only repeat its rows.
    void class_rows(int cls, std::vector<Row>& rows, std::vector<RowCell>& cells) {
        const int rep = p_.classes[cls].members[0];
        for (int o = 1; o <= kOrientations; ++o) {
            bool repeat = false;
            for (int e = 1; e < o; ++e) repeat = repeat || same_cells(prvky_[rep][e], prvky_[rep][o]);
            if (repeat) continue;
            const std::vector<RecordCell> shape = record_cells(prvky_[rep][o]);
            for (int x = 0; x < kBoardRows; ++x)
                for (int y = 0; y < kBoardCols; ++y) add_if_fits(cls, o, x, y, shape, rows, cells);
        }
    }

    void add_if_fits(int cls, int o, int x, int y, const std::vector<RecordCell>& shape, std::vector<Row>& rows,
                     std::vector<RowCell>& cells) {
        const std::size_t start = cells.size();
        bool touches_primary = false;
        for (const RecordCell& rc : shape) {
            const int bx = x + rc.r, by = y + rc.c;
            // A record cell must lie on a board cell of its own direction.
            const int i = on_board(bx, by) && board_cell_points_up(bx, by) == rc.up ? cell_of_[bx * kBoardCols + by] : -1;
            const std::uint32_t need = i >= 0 ? sixths_of_code(rc.code, rc.up) : 0;
            if (i < 0 || need == 0 || (need & ~p_.free_mask[i]) != 0) {
                cells.resize(start);
                return;
            }
            touches_primary = touches_primary || (need & p_.primary_mask[i]) != 0;
            cells.push_back({i, need});
        }
        if (!touches_primary) {
            cells.resize(start);
            return;
        }
        rows.push_back({cls, o, x, y, static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(cells.size() - start),
                        p_.classes[cls].area});
    }

    // The most constrained shapes go first, their rows first in every list: the shapes with the
    // fewest free pieces, then those with the fewest placements.
    void rows_in_search_order() {
        const int n = static_cast<int>(p_.classes.size());
        std::vector<std::vector<Row>> rows(n);
        std::vector<std::vector<RowCell>> cells(n);
        for (int c = 0; c < n; ++c) class_rows(c, rows[c], cells[c]);
        std::vector<int> order(n);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const std::size_t ma = p_.classes[a].members.size(), mb = p_.classes[b].members.size();
        return ma != mb ? ma < mb : rows[a].size() < rows[b].size();
    });
        std::vector<ShapeClass> classes;
        for (int k = 0; k < n; ++k) {
            const int c = order[k];
            classes.push_back(std::move(p_.classes[c]));
            for (Row r : rows[c]) {
                r.cls = k;
                const std::uint32_t first = r.first;
                r.first = static_cast<std::uint32_t>(p_.row_cells.size());
                p_.row_cells.insert(p_.row_cells.end(), cells[c].begin() + first, cells[c].begin() + first + r.count);
                p_.rows.push_back(r);
            }
        }
        p_.classes = std::move(classes);
    }

    // Whether every row's sixths are joined along edges (within a cell, neighbouring sixths).
    void joined() {
        std::vector<std::int32_t> stack;
        std::vector<std::int32_t> mask(p_.cell_row.size(), 0);
        p_.pieces_joined = std::all_of(p_.rows.begin(), p_.rows.end(), [&](const Row& r) {
            if (r.count == 0) return true;
            for (std::uint32_t k = 0; k < r.count; ++k) mask[p_.row_cells[r.first + k].cell] = p_.row_cells[r.first + k].mask;
            const RowCell& start = p_.row_cells[r.first];
            stack.assign(1, sixth_of(start.cell, std::countr_zero(start.mask)));
            int reached = 0;
            mask[start.cell] &= ~(1 << std::countr_zero(start.mask));
            while (!stack.empty()) {
                const std::int32_t at = stack.back();
                stack.pop_back();
                ++reached;
                const std::int32_t cell = cell_of(at);
                const int k = sixth_in_cell(at);
                // Its two neighbours in the cell, and the sixth across its edge.
                for (const std::int32_t next : {sixth_of(cell, turned(k, 1)), sixth_of(cell, turned(k, 5)), p_.across[at]})
                    if (next >= 0 && (mask[cell_of(next)] >> sixth_in_cell(next) & 1)) {
                        mask[cell_of(next)] &= ~(1 << sixth_in_cell(next));
                        stack.push_back(next);
                    }
            }
            for (std::uint32_t k = 0; k < r.count; ++k) mask[p_.row_cells[r.first + k].cell] = 0;
            return reached == r.area;
        });
    }

    void fingerprint() {
        std::uint64_t h = 0xcbf29ce484222325ULL;
        const Region& g = p_.region;
        for (std::int64_t v : {std::int64_t{g.limited}, std::int64_t{g.x1}, std::int64_t{g.y1}, std::int64_t{g.x2},
                               std::int64_t{g.y2}})
            h = mix(h, v);
        for (const Placement& e : p_.fixed) h = mix(mix(mix(mix(h, e.piece), e.row), e.col), e.orientation);
        for (const ShapeClass& c : p_.classes)
            for (int m : c.members) h = mix(h, m);
        for (const Row& r : p_.rows) h = mix(mix(mix(mix(h, r.cls), r.orientation), r.row), r.col);
        p_.fingerprint = h;
    }

private:
    const Catalogue& prvky_;
    Problem& p_;
    std::vector<int> cell_of_;
};

}  // namespace

unsigned sixths_of_code(int code, bool points_up) {
    if (code == kFull) return kWholeMask;
    for (const HalfStart& h : points_up ? kUpStarts : kDownStarts)
        if (h.code == code) return half_mask(h.first);
    return 0;
}

bool sixth_across(int row, int col, int sixth, int& nrow, int& ncol, int& nsixth) {
    const Across& a = (board_cell_points_up(row, col) ? kUpAcross : kDownAcross)[sixth];
    nrow = row + a.dr;
    ncol = col + a.dc;
    nsixth = a.sixth;
    return on_board(nrow, ncol);
}

int Problem::halves_of(std::int32_t cls) const {
    if (class_list_start[cls] == class_list_start[cls + 1]) return 0;
    const Row& r = rows[class_lists[class_list_start[cls]].row];
    int n = 0;
    for (std::uint32_t k = 0; k < r.count; ++k) n += row_cells[r.first + k].mask != kWholeMask;
    return n;
}

void build_row_lists(Problem& p) {
    const std::size_t cells = p.cell_row.size();
    p.cell_list_start.assign(cells + 1, 0);
    p.class_list_start.assign(p.classes.size() + 1, 0);
    for (const Row& r : p.rows) {
        ++p.class_list_start[r.cls + 1];
        for (std::uint32_t k = 0; k < r.count; ++k) ++p.cell_list_start[p.row_cells[r.first + k].cell + 1];
    }
    std::partial_sum(p.cell_list_start.begin(), p.cell_list_start.end(), p.cell_list_start.begin());
    std::partial_sum(p.class_list_start.begin(), p.class_list_start.end(), p.class_list_start.begin());
    p.cell_lists.resize(p.cell_list_start.back());
    p.class_lists.resize(p.rows.size());
    std::vector<std::uint32_t> at(p.cell_list_start.begin(), p.cell_list_start.end() - 1);
    std::vector<std::uint32_t> cat(p.class_list_start.begin(), p.class_list_start.end() - 1);
    for (std::uint32_t id = 0; id < p.rows.size(); ++id) {
        const Row& r = p.rows[id];
        p.class_lists[cat[r.cls]++] = {id, kWholeMask};
        for (std::uint32_t k = 0; k < r.count; ++k) {
            const RowCell& rc = p.row_cells[r.first + k];
            p.cell_lists[at[rc.cell]++] = {id, rc.mask};
        }
    }
}

void build_problem(const Catalogue& prvky, const std::vector<Placement>& fixed,
                   const Region& region, Problem& out) {
    out = Problem{};
    out.region = region;
    out.fixed = fixed;
    Builder b(prvky, out);
    b.board_cells();
    b.shape_classes();
    b.rows_in_search_order();
    build_row_lists(out);
    b.joined();
    b.fingerprint();
}

}  // namespace tessera::solve
