#include "solve/fill_exact.h"

#include <algorithm>
#include <bit>
#include <numeric>

#include "solve/units.h"
#include "solve/walker.h"

namespace tessera::solve {

namespace {

// The cells of the derived problem and where each base cell went (-1: not in it).
struct CellMap {
    std::vector<std::int32_t> to_new;
    std::vector<std::int32_t> to_base;
};

CellMap map_cells(const FillState& state, const std::vector<std::int32_t>* window) {
    const Problem& base = state.problem();
    CellMap map;
    map.to_new.assign(base.cell_row.size(), -1);
    auto take = [&](std::int32_t cell) {
        if (map.to_new[cell] >= 0 || state.cover(cell) == 0x3f) return;
        map.to_new[cell] = static_cast<std::int32_t>(map.to_base.size());
        map.to_base.push_back(cell);
    };
    if (window) {
        for (std::int32_t cell : *window) take(cell);
        std::sort(map.to_base.begin(), map.to_base.end());
        for (std::size_t i = 0; i < map.to_base.size(); ++i) map.to_new[map.to_base[i]] = static_cast<std::int32_t>(i);
    } else {
        for (std::int32_t cell = 0; cell < static_cast<std::int32_t>(base.cell_row.size()); ++cell) take(cell);
    }
    return map;
}

}  // namespace

void derive_problem(const FillState& state, const std::vector<std::int32_t>* window, Problem& out) {
    derive_part(state, window, nullptr, false, out, nullptr);
}

void derive_part(const FillState& state, const std::vector<std::int32_t>* window, const std::vector<char>* offered,
                 bool use_all, Problem& out, const std::vector<std::uint32_t>* required) {
    const Problem& base = state.problem();
    auto is_offered = [&](int piece) { return state.piece_free(piece) && (offered == nullptr || (*offered)[piece] != 0); };
    out = Problem{};
    out.region = base.region;
    out.region.limited = (base.region.limited || window != nullptr) && !use_all;
    out.fixed = base.fixed;
    for (const Placement& e : state.placements()) out.fixed.push_back(e);
    out.pieces_joined = base.pieces_joined;

    const CellMap map = map_cells(state, window);
    for (const std::int32_t b : map.to_base) {
        const std::uint32_t free = 0x3f & ~state.cover(b);
        out.cell_row.push_back(base.cell_row[b]);
        out.cell_col.push_back(base.cell_col[b]);
        out.free_mask.push_back(free);
        const std::uint32_t primary = window ? free & (required ? (*required)[b] : 0x3fu) : free & base.primary_mask[b];
        out.primary_mask.push_back(primary);
        out.primary_area += sixths_in(primary);
    }
    out.across.assign(map.to_base.size() * 6, -1);
    for (std::size_t i = 0; i < map.to_base.size(); ++i)
        for (int k = 0; k < 6; ++k) {
            const std::int32_t n = base.across[map.to_base[i] * 6 + k];
            if (n < 0 || map.to_new[n / 6] < 0 || (out.free_mask[map.to_new[n / 6]] >> (n % 6) & 1) == 0) continue;
            out.across[i * 6 + k] = map.to_new[n / 6] * 6 + n % 6;
        }

    // The live rows that lie wholly in the derived cells, each met once (at its first cell).
    std::vector<std::vector<std::uint32_t>> rows_of(base.classes.size());
    for (const std::int32_t b : map.to_base) {
        const ListEntry* end = base.cell_lists.data() + base.cell_list_start[b + 1];
        for (const ListEntry* e = base.cell_lists.data() + base.cell_list_start[b]; e != end; ++e) {
            const Row& r = base.rows[e->row];
            if (base.row_cells[r.first].cell != b || !state.live(e->row)) continue;
            bool inside = true;
            for (std::uint32_t k = 1; k < r.count && inside; ++k) inside = map.to_new[base.row_cells[r.first + k].cell] >= 0;
            if (inside) rows_of[r.cls].push_back(e->row);
        }
    }
    // Shapes in the order build_problem gives them: fewest free pieces, then fewest rows.
    std::vector<std::int32_t> order, free_of(base.classes.size(), 0);
    for (std::size_t c = 0; c < base.classes.size(); ++c) {
        for (const int m : base.classes[c].members) free_of[c] += is_offered(m);
        if (free_of[c] > 0) order.push_back(static_cast<std::int32_t>(c));
    }
    std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
        const std::int32_t fa = free_of[a], fb = free_of[b];
        return fa != fb ? fa < fb : rows_of[a].size() < rows_of[b].size();
    });
    for (const std::int32_t c : order) {
        const ShapeClass& shape = base.classes[c];
        ShapeClass mine;
        mine.area = shape.area;
        for (std::size_t i = 0; i < shape.members.size(); ++i)
            if (is_offered(shape.members[i])) {
                mine.members.push_back(shape.members[i]);
                mine.orientation_of.push_back(shape.orientation_of[i]);
            }
        out.piece_area += static_cast<std::int64_t>(mine.members.size()) * mine.area;
        const auto cls = static_cast<std::int32_t>(out.classes.size());
        out.classes.push_back(std::move(mine));
        std::sort(rows_of[c].begin(), rows_of[c].end());
        for (const std::uint32_t id : rows_of[c]) {
            Row r = base.rows[id];
            r.cls = cls;
            const std::uint32_t first = r.first;
            r.first = static_cast<std::uint32_t>(out.row_cells.size());
            for (std::uint32_t k = 0; k < r.count; ++k) {
                RowCell rc = base.row_cells[first + k];
                rc.cell = map.to_new[rc.cell];
                out.row_cells.push_back(rc);
            }
            out.rows.push_back(r);
        }
    }
    build_row_lists(out);
}

// In turns, as the solve's run does: the tree is cut into a few subproblems, each walked with a
// budget that doubles every round (the other way round every other round), so that a completion
// a few thousand nodes deep in one subproblem is not hidden behind a dead subtree of another.
ExactOutcome complete_exactly(const Problem& problem, std::uint64_t budget, const std::atomic<bool>& stop,
                              int variant, std::size_t units_wanted) {
    ExactOutcome out;
    if (problem.area_mismatch()) {
        out.end = ExactOutcome::End::None;
        return out;
    }
    constexpr std::uint64_t kFirstTurn = 512;
    std::vector<Prefix> units = units_wanted <= 1 ? std::vector<Prefix>{Prefix{}} : expand_frontier(problem, units_wanted);
    if (!units.empty() && variant != 0)
        std::rotate(units.begin(), units.begin() + static_cast<std::ptrdiff_t>((units.size() * static_cast<std::size_t>(variant)) / 2 % units.size()), units.end());
    Walker walker(problem);
    bool found = false;
    const Walker::TilingSink sink = [&](const Prefix& tiling) {
        out.placements = tiling;
        found = true;
        return false;
    };
    for (std::uint64_t turn = kFirstTurn, round = 0; !units.empty(); turn *= 2, ++round) {
        walker.set_last_of_ties((round + static_cast<std::uint64_t>(variant)) % 2 == 1);
        std::vector<Prefix> left;
        for (const Prefix& unit : units) {
            if (stop.load(std::memory_order_relaxed)) return out;
            if (budget != 0 && walker.nodes >= budget) {
                out.nodes = walker.nodes;
                return out;
            }
            if (!walker.enter(unit)) continue;
            const std::uint64_t share = budget == 0 ? turn : std::min(turn, budget - walker.nodes);
            const Walker::End end = walker.walk(sink, stop, share);
            if (found) {
                out.end = ExactOutcome::End::Found;
                out.nodes = walker.nodes;
                return out;
            }
            if (end == Walker::End::Stopped) left.push_back(unit);
        }
        units = std::move(left);
    }
    out.nodes = walker.nodes;
    out.end = ExactOutcome::End::None;
    return out;
}

}  // namespace tessera::solve
