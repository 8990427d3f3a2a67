#include "solve/fill_sweep.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>
#include <cstdio>
#include <cstdlib>

#include "board/cell_codes.h"
#include "solve/fill_exact.h"
#include "solve/fill_lns.h"

namespace tessera::solve {

namespace {

constexpr double kRowHeight = 0.8660254037844386;  // of a cell, its width along the row being 1

}  // namespace

std::uint64_t sweep_seed(std::uint64_t seed, int thread) {
    if (thread == 0) return seed;
    std::uint64_t s = seed ^ (0x5851f42d4c957f2dULL * static_cast<std::uint64_t>(thread));
    return fill_random(s);
}

void FillShared::offer(const FillState& state, bool is_full) {
    const int pieces = static_cast<int>(state.laid().size());
    if (!is_full && pieces <= best_pieces.load(std::memory_order_relaxed)) return;
    std::lock_guard lock(mu);
    if (full || (!is_full && pieces <= best_pieces.load())) return;
    best = state.placements();
    best_open = state.uncovered();
    best_pieces.store(pieces);
    full = is_full;
    if (is_full) stop.store(true);
}

FillProgress FillShared::progress(double seconds, const std::vector<std::unique_ptr<Sweeper>>& sweepers) {
    FillProgress out;
    out.seconds = seconds;
    out.open_area = std::numeric_limits<std::int64_t>::max();
    for (const auto& s : sweepers) {
        if (s->pieces_now() > out.pieces || out.open_area == std::numeric_limits<std::int64_t>::max()) {
            out.pieces = std::max(out.pieces, s->pieces_now());
            out.open_area = s->open_now();
        }
        out.restarts += s->restarts();
        out.exact_runs += s->exact_runs();
        out.exact_dead += s->exact_dead();
    }
    std::lock_guard lock(mu);
    out.best_pieces = std::max(0, best_pieces.load());
    out.best_open = best_open;
    return out;
}

Sweeper::Sweeper(const Problem& problem, const FillOptions& options, std::uint64_t seed, FillShared& shared)
    : p_(problem), o_(options), shared_(shared), s_(problem), rng_(seed), seen_(problem.cell_row.size(), 0),
      awkward_(problem.classes.size(), 0.0) {
    for (const ShapeClass& shape : p_.classes)
        uniform_area_ = uniform_area_ == 0 || uniform_area_ == shape.area ? shape.area : -1;
    for (const ShapeClass& shape : p_.classes) total_pieces_ += static_cast<int>(shape.members.size());
    for (std::size_t c = 0; c < p_.classes.size(); ++c)
        if (abundant_ < 0 || p_.classes[c].members.size() > p_.classes[abundant_].members.size()) abundant_ = static_cast<std::int32_t>(c);
    // A shape's cells cut in halves: each must meet the other half of another piece.
    for (std::size_t c = 0; c < p_.classes.size(); ++c) awkward_[c] = 0.5 * p_.halves_of(static_cast<std::int32_t>(c));
}

double Sweeper::random01() { return static_cast<double>(fill_random(rng_) >> 11) * 0x1.0p-53; }

void Sweeper::publish() {
    pieces_now_.store(static_cast<int>(s_.laid().size()), std::memory_order_relaxed);
    open_now_.store(s_.uncovered(), std::memory_order_relaxed);
}

void Sweeper::run(const std::vector<Placement>& start, int exact_variant) {
    start_ = start;
    if (exact_variant >= 0)
        run_exact(exact_variant);
    else
        run_sweeps();
    publish();
    finished_.store(true);
}

// All that is left, to one exact search to its end.
void Sweeper::run_exact(int variant) {
    start_over();
    Problem rest;
    derive_problem(s_, nullptr, rest);
    exact_runs_.fetch_add(1, std::memory_order_relaxed);
    const ExactOutcome found = complete_exactly(rest, 0, shared_.stop, variant);
    if (found.end == ExactOutcome::End::Found) lay_and_offer(found.placements);
    if (found.end != ExactOutcome::End::None) return;
    // Proved: no completion. The other threads need not go on.
    exact_dead_.fetch_add(1, std::memory_order_relaxed);
    std::lock_guard lock(shared_.mu);
    shared_.impossible = true;
    shared_.stop.store(true);
}

void Sweeper::run_sweeps() {
    int failed_sweeps = 0;
    while (!shared_.stop.load(std::memory_order_relaxed)) {
        start_over();
        // The gaps first, in windows widening around each: the fewest pieces lifted.
        if (!start_.empty() && close_gaps() && s_.uncovered() == 0 && s_.pieces_left() == 0) {
            shared_.offer(s_, true);
            break;
        }
        // A board with little left open goes to the larger windows; a large open area is swept.
        if (!start_.empty() && o_.lns_patience > 0 && !p_.region.limited && s_.pieces_left() <= o_.lns_from_left) {
            if (search_neighbourhood() == Node::Full) break;
            start_over();
        }
        if (sweep()) break;
        restarts_.fetch_add(1, std::memory_order_relaxed);
        // A start whose edge the sweeps cannot meet gives up that edge.
        if (!start_.empty() && ++failed_sweeps >= o_.sweeps_before_shedding) {
            failed_sweeps = 0;
            shed_start_edge();
        }
    }
}

// Back to the start placement (the pieces of it that fit), with a new order of sweep.
void Sweeper::start_over() {
    levels_.clear();
    s_.clear();
    std::vector<Placement> kept;
    for (const Placement& e : start_) {
        if (s_.place_if_fits(e) != 0) kept.push_back(e);
    }
    start_ = std::move(kept);
    pairs_per_piece_ = s_.pieces_left() > o_.pair_reserve ? pairs_left() / (s_.pieces_left() - o_.pair_reserve) : 0;
    pair_excess_ = 0;
    order_cells();
    deepest_ = 0;
    fails_ = 0;
    band_ = static_cast<std::size_t>(std::max(1, o_.first_band));
    publish();
}

// The open areas of the board, each as its cells.
std::vector<std::vector<std::int32_t>> Sweeper::open_areas() {
    std::vector<std::vector<std::int32_t>> out;
    const std::uint64_t id = ++flood_id_;
    for (std::int32_t cell = 0; cell < static_cast<std::int32_t>(p_.cell_row.size()); ++cell) {
        if (s_.open_in(cell) == 0 || seen_[cell] == id) continue;
        std::vector<std::int32_t> area{cell};
        seen_[cell] = id;
        for (std::size_t at = 0; at < area.size(); ++at)
            for (std::uint32_t m = s_.open_in(area[at]); m != 0; m &= m - 1) {
                const std::int32_t n = open_neighbour(area[at], std::countr_zero(m));
                if (n >= 0 && seen_[n] != id) {
                    seen_[n] = id;
                    area.push_back(n);
                }
            }
        out.push_back(std::move(area));
    }
    return out;
}

int Sweeper::open_sixths(const std::vector<std::int32_t>& cells) const {
    int n = 0;
    for (const std::int32_t cell : cells) n += sixths_in(s_.open_in(cell));
    return n;
}

// Every open area small enough for a window is filled by exact cover, with the pieces around it
// lifted and laid again: first none, then those that touch it, then those that touch them.
// False when one could not be closed.
bool Sweeper::close_gaps() {
    bool all = true;
    for (const std::vector<std::int32_t>& area : open_areas()) {
        if (shared_.stop.load(std::memory_order_relaxed)) return false;
        if (open_sixths(area) > o_.gap_cap) continue;
        bool closed = false;
        for (int radius = 0; radius <= o_.max_radius && !closed; ++radius) closed = refill_window(area, radius);
        all = all && closed;
        publish();
    }
    return all;
}

// The laid pieces of the start (not the fixed placement) that touch `cells` across an edge.
std::vector<int> Sweeper::pieces_around(const std::vector<std::int32_t>& cells) const {
    std::vector<int> out;
    for (const std::int32_t cell : cells)
        for (int k = 0; k < 6; ++k) {
            const std::int32_t n = p_.across[cell * 6 + k];
            int piece = s_.owner(cell, k);
            if (piece == 0 && n >= 0) piece = s_.owner(n / 6, n % 6);
            if (piece != 0 && std::find(out.begin(), out.end(), piece) == out.end()) out.push_back(piece);
        }
    return out;
}

// Lifts the pieces within `radius` steps of `hole` and covers the window of their cells and the
// hole's by exact cover with any free pieces; lays the lifted pieces back when it cannot.
bool Sweeper::refill_window(const std::vector<std::int32_t>& hole, int radius) {
    std::vector<std::int32_t> window = hole;
    std::vector<FillState::Laid> lifted;
    for (int step = 0; step < radius; ++step) {
        s_.lift_pieces(pieces_around(window), lifted, window);
        std::sort(window.begin(), window.end());
        window.erase(std::unique(window.begin(), window.end()), window.end());
    }
    if (uniform_area_ > 0 && open_sixths(window) % uniform_area_ != 0) {
        s_.lay_back(lifted);
        return false;
    }
    Problem part;
    derive_problem(s_, &window, part);
    exact_runs_.fetch_add(1, std::memory_order_relaxed);
    const ExactOutcome found = complete_exactly(part, o_.window_nodes, shared_.stop);
    if (found.end == ExactOutcome::End::Found) {
        for (const Placement& e : found.placements) s_.place_if_fits(e);
        start_ = s_.placements();
        return true;
    }
    s_.lay_back(lifted);
    return false;
}

// Drops from the start the pieces that border the largest open area: the sweep meets the start
// there, and a start it cannot meet must give way.
void Sweeper::shed_start_edge() {
    const std::vector<std::vector<std::int32_t>> areas = open_areas();
    if (areas.empty()) return;
    const auto largest = std::max_element(areas.begin(), areas.end(), [](const auto& a, const auto& b) { return a.size() < b.size(); });
    const std::vector<int> edge = pieces_around(*largest);
    std::vector<Placement> kept;
    for (const Placement& e : start_)
        if (std::find(edge.begin(), edge.end(), e.piece) == edge.end()) kept.push_back(e);
    start_ = std::move(kept);
}

// Two orders of the sweep. Across: in bands one cell row high, perpendicular to a direction
// drawn from the twelve of the board's symmetry, and along each band in one sense, as in
// reading a page. Inward: in rings that follow the twelve-sided border, from the border in, and
// along each ring around the centre from an angle drawn at random: the border's cut cells,
// which only pieces with halves can complete, come first, and the last open area is a compact
// one in the middle, where the exact search does best.
void Sweeper::order_cells() {
    const double pi = 3.14159265358979323846;
    const std::size_t n = p_.cell_row.size();
    std::vector<double> xs(n), ys(n);
    double cx = 0, cy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        xs[i] = p_.cell_col[i] * 0.5;
        ys[i] = p_.cell_row[i] * kRowHeight + (board_cell_points_up(p_.cell_row[i], p_.cell_col[i]) ? 0.1 : -0.1);
        cx += xs[i] / static_cast<double>(n);
        cy += ys[i] / static_cast<double>(n);
    }
    std::uint64_t step = fill_random(rng_) % 12;
    if (o_.sweep_parity >= 0) step = (step & ~1ULL) | static_cast<std::uint64_t>(o_.sweep_parity & 1);
    const double turn = static_cast<double>(step) * (pi / 6);
    std::vector<std::pair<double, double>> key(n);
    // Rings are counted from the border in, ring_rows rows deep: the cells along a slanted edge lie
    // at depths that vary within a row, and rings one row deep would take them in two rings, so
    // that the first would be scattered along the border.
    std::vector<double> norm(n, 0.0);
    double outer = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = xs[i] - cx, y = ys[i] - cy;
        for (int k = 0; k < 12; ++k) norm[i] = std::max(norm[i], x * std::cos(k * pi / 6) + y * std::sin(k * pi / 6));
        outer = std::max(outer, norm[i]);
    }
    const double ring = kRowHeight * std::max(0.1, o_.ring_rows);
    // Puzzles differ in which of the two orders reaches an end game: drawn anew for every sweep.
    const bool inward = o_.sweep_mixed ? (fill_random(rng_) & 1) != 0 : o_.sweep_inward;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = xs[i] - cx, y = ys[i] - cy;
        if (inward) {
            const double angle = std::fmod(std::atan2(y, x) - turn + 4 * pi, 2 * pi);
            key[i] = {std::floor((outer - norm[i]) / ring + 1e-9), angle};
        } else {
            const double dx = std::cos(turn), dy = std::sin(turn);
            key[i] = {std::floor((x * dx + y * dy) / kRowHeight + 1e-9), -x * dy + y * dx};
        }
    }
    sweep_cells_.resize(n);
    std::iota(sweep_cells_.begin(), sweep_cells_.end(), 0);
    std::sort(sweep_cells_.begin(), sweep_cells_.end(), [&](std::int32_t a, std::int32_t b) { return key[a] < key[b]; });
}

// Depth first over the head of the sweep, a few tries a level; a run of dead ends without
// getting deeper lifts a band of the last pieces (a longer band each time) and lays it anew.
bool Sweeper::sweep() {
    restart_ = false;
    const bool lns = o_.lns_patience > 0 && !p_.region.limited;
    Node node = push_node();
    if (node == Node::Full) return true;
    while (!shared_.stop.load(std::memory_order_relaxed)) {
        if (restart_) return false;
        if (levels_.empty()) {
            if (!lns || (node = unstick()) == Node::Dead) return false;
            if (node == Node::Full || (node = push_node()) == Node::Full) return true;
            continue;
        }
        bool dead = false;
        if (advance()) {
            node = push_node();
            if (node == Node::Full) return true;
            if (restart_) return false;
            dead = node == Node::Dead;
        } else {
            levels_.pop_back();
            dead = true;
        }
        publish();
        if (levels_.size() > deepest_) {
            deepest_ = levels_.size();
            fails_ = 0;
            band_ = static_cast<std::size_t>(std::max(1, o_.first_band));
            shared_.offer(s_, false);
        }
        if (!dead || ++fails_ < o_.fails_before_jump) continue;
        // Stuck for longer than a few short bands: windows at the head of the sweep are laid again
        // by exact cover (both sides of a seam, which the bands never reach), and the sweep goes on
        // from the board they leave.
        if (lns && band_ > static_cast<std::size_t>(o_.lns_band)) {
            if ((node = unstick()) == Node::Dead) return false;
            if (node == Node::Full || (node = push_node()) == Node::Full) return true;
            continue;
        }
        if (band_ > static_cast<std::size_t>(o_.max_band) || band_ >= levels_.size()) {
            // A sweep that died near its end hands its board to the windows instead of starting
            // again: they close what the bands could not reach.
            if (lns && s_.pieces_left() <= o_.lns_from_left) return search_neighbourhood() == Node::Full;
            return false;
        }
        pop_levels(band_);
        band_ *= 2;
        fails_ = 0;
        node = push_node();
        if (node == Node::Full) return true;
    }
    return false;
}

// Windows around the head of the sweep until one closes open cells there: the levels laid so far
// are kept as they are (bands lift only what is laid after).
Sweeper::Node Sweeper::unstick() {
    Neighbourhood lns(s_, o_, rng_, shared_.stop);
    const bool gained = lns.unstick(sweep_cells_, o_.lns_patience);
    lns_moves_.fetch_add(lns.counts().moves, std::memory_order_relaxed);
    if (s_.uncovered() == 0 && s_.pieces_left() == 0) {
        shared_.offer(s_, true);
        return Node::Full;
    }
    if (!gained) return Node::Dead;
    levels_.clear();
    deepest_ = 0;
    fails_ = 0;
    band_ = static_cast<std::size_t>(std::max(1, o_.first_band));
    shared_.offer(s_, false);
    publish();
    return Node::Open;
}

void Sweeper::pop_levels(std::size_t n) {
    for (std::size_t i = 0; i < n && !levels_.empty(); ++i) {
        if (levels_.back().piece != 0) s_.lift(levels_.back().piece);
        levels_.pop_back();
    }
    if (!levels_.empty() && levels_.back().piece != 0) {
        s_.lift(levels_.back().piece);
        levels_.pop_back();
    }
}

// The node of the state as it is: full, dead, or a new level with the rows to try at the most
// constrained sixth of the head of the sweep.
Sweeper::Node Sweeper::push_node() {
    if (s_.uncovered() == 0 && s_.pieces_left() == 0) {
        shared_.offer(s_, true);
        return Node::Full;
    }
    if (s_.pieces_left() <= o_.endgame_pieces) return end_game();
    if (o_.pair_weight != 0 && s_.pieces_left() > 0)
        pair_excess_ = pairs_left() - pairs_per_piece_ * std::max(0, s_.pieces_left() - o_.pair_reserve);
    std::int32_t cell = -1;
    int k = 0;
    if (!choose_spot(cell, k)) return Node::Dead;
    std::vector<std::pair<double, std::uint32_t>> scored;
    const ListEntry* end = p_.cell_lists.data() + p_.cell_list_start[cell + 1];
    for (const ListEntry* e = p_.cell_lists.data() + p_.cell_list_start[cell]; e != end; ++e)
        if ((e->mask >> k & 1) != 0 && s_.live(e->row)) scored.push_back({-score(e->row), e->row});
    std::sort(scored.begin(), scored.end());
    Level level;
    const std::int64_t snug = snug_abundant_row();
    if (snug >= 0) level.rows.push_back(static_cast<std::uint32_t>(snug));
    for (const auto& [minus_score, row] : scored)
        if (static_cast<std::int64_t>(row) != snug) level.rows.push_back(row);
    levels_.push_back(std::move(level));
    return Node::Open;
}

// The most abundant shape (the hexagon in generated puzzles: one orientation, few places) falls
// behind at the head of the sweep, where it seldom fits the most constrained spot, and is left
// in numbers that no last area can take. While it lags by more than abundant_slack pieces, its
// snuggest place among the first abundant_window open cells of the sweep is tried first.
std::int64_t Sweeper::snug_abundant_row() {
    if (o_.abundant_slack <= 0 || abundant_ < 0) return -1;
    const double share = static_cast<double>(p_.classes[abundant_].members.size()) * s_.pieces_left() / total_pieces_;
    if (s_.class_free(abundant_) - share <= o_.abundant_slack) return -1;
    std::int64_t best = -1;
    double best_contact = -1;
    int cells = 0;
    for (const std::int32_t cell : sweep_cells_) {
        if (s_.open_in(cell) == 0) continue;
        const ListEntry* end = p_.cell_lists.data() + p_.cell_list_start[cell + 1];
        for (const ListEntry* e = p_.cell_lists.data() + p_.cell_list_start[cell]; e != end; ++e) {
            if (p_.rows[e->row].cls != abundant_ || !s_.live(e->row)) continue;
            const double c = contact(e->row);
            if (c > best_contact) {
                best_contact = c;
                best = e->row;
            }
        }
        if (++cells >= o_.abundant_window) break;
    }
    return best;
}

// The sixth with the fewest live rows among the first open cells of the sweep; false when one of
// them has none.
bool Sweeper::choose_spot(std::int32_t& best_cell, int& best_k) const {
    std::int32_t best_count = std::numeric_limits<std::int32_t>::max();
    int cells = 0;
    for (const std::int32_t cell : sweep_cells_) {
        if (s_.open_in(cell) == 0) continue;
        fewest_rows(cell, best_cell, best_k, best_count);
        if (++cells >= o_.sweep_window) break;
    }
    return best_cell >= 0 && best_count > 0;
}

// Keeps the open sixth of the cell with fewer live rows than the best so far.
void Sweeper::fewest_rows(std::int32_t cell, std::int32_t& best_cell, int& best_k, std::int32_t& best_count) const {
    for (std::uint32_t m = s_.open_in(cell); m != 0; m &= m - 1) {
        const int k = std::countr_zero(m);
        const std::int32_t n = s_.live_in(cell, k);
        if (n < best_count) {
            best_count = n;
            best_cell = cell;
            best_k = k;
        }
    }
}

// How good a piece looks at the head of the sweep: snug, completing cut cells, of a shape the
// walk would try first and that is behind its share, with a random part for the restarts.
double Sweeper::score(std::uint32_t row) {
    const std::int32_t cls = p_.rows[row].cls;
    const double abundance = std::log((s_.class_free(cls) + 0.5) / (s_.class_live(cls) + 1.0));
    const double lag = std::log((s_.class_free(cls) / static_cast<double>(p_.classes[cls].members.size())) /
                                (s_.pieces_left() / static_cast<double>(total_pieces_)));
    return o_.contact_weight * contact(row) + o_.shape_weight * awkward_[cls] + o_.abundance_weight * abundance +
           o_.halves_weight * halves_closed(row) + o_.balance_weight * lag + o_.noise * random01();
}

// The next row of the top level that passes the checks ahead, laid; false when none is left.
bool Sweeper::advance() {
    Level& level = levels_.back();
    if (level.piece != 0) {
        s_.lift(level.piece);
        level.piece = 0;
    }
    while (level.next < level.rows.size() && level.tried < o_.tries_per_level) {
        const std::uint32_t row = level.rows[level.next++];
        if (!s_.live(row)) continue;
        const int piece = s_.place(row);
        if (ahead_ok(row)) {
            level.piece = piece;
            ++level.tried;
            return true;
        }
        s_.lift(piece);
    }
    return false;
}

Sweeper::Node Sweeper::end_game() {
    Problem rest;
    derive_problem(s_, nullptr, rest);
    exact_runs_.fetch_add(1, std::memory_order_relaxed);
    const ExactOutcome found = complete_exactly(rest, o_.endgame_nodes, shared_.stop);
    if (found.end == ExactOutcome::End::None) exact_dead_.fetch_add(1, std::memory_order_relaxed);
    if (found.end == ExactOutcome::End::Found) return lay_and_offer(found.placements) ? Node::Full : Node::Dead;
    if (o_.lns_patience <= 0 || p_.region.limited) return Node::Dead;
    return search_neighbourhood();
}

// The end game's board, worked on by lifting windows and laying them again. The sweep's levels no
// longer match the board after it: the sweep starts again when it has not filled the board.
Sweeper::Node Sweeper::search_neighbourhood() {
    Neighbourhood lns(s_, o_, rng_, shared_.stop);
    const bool full = lns.run([this] {
        publish();
        shared_.offer(s_, false);
    });
    lns_moves_.fetch_add(lns.counts().moves, std::memory_order_relaxed);
    restart_ = true;
    if (full && s_.pieces_left() == 0) {
        shared_.offer(s_, true);
        return Node::Full;
    }
    return Node::Dead;
}

// Lays the exact search's completion on the board; a full board goes to the run.
bool Sweeper::lay_and_offer(const std::vector<Placement>& completion) {
    for (const Placement& e : completion) {
        if (s_.place_if_fits(e) == 0) return false;
    }
    if (s_.uncovered() != 0 || (!p_.region.limited && s_.pieces_left() != 0)) return false;
    shared_.offer(s_, true);
    return true;
}

// Edges of the row's sixths that meet a covered sixth or the border: a piece that fits snugly
// keeps the head of the sweep smooth.
double Sweeper::contact(std::uint32_t row) const {
    const Row& r = p_.rows[row];
    int touching = 0;
    for (std::uint32_t k = 0; k < r.count; ++k) {
        const RowCell& rc = p_.row_cells[r.first + k];
        const std::uint32_t covered = s_.cover(rc.cell);
        for (std::uint32_t m = rc.mask; m != 0; m &= m - 1) {
            const int six = std::countr_zero(m);
            const std::int32_t n = p_.across[rc.cell * 6 + six];
            touching += n < 0 || (s_.cover(n / 6) >> (n % 6) & 1);
            touching += (covered >> ((six + 1) % 6) & 1) + (covered >> ((six + 5) % 6) & 1);
        }
    }
    return static_cast<double>(touching) / 3.0;
}

// Cells the row completes where another piece has laid the other half, less those where it
// leaves the other half open: pieces with halves pair up, and an open half is a chain to close.
// An open half is welcome while the pairs of halves still to make inside the board run ahead of
// the area left (pair_weight): else the pieces with halves are all left for the end.
double Sweeper::halves_closed(std::uint32_t row) const {
    const Row& r = p_.rows[row];
    int closed = 0, opened = 0;
    for (std::uint32_t k = 0; k < r.count; ++k) {
        const RowCell& rc = p_.row_cells[r.first + k];
        if (rc.mask == 0x3f || p_.free_mask[rc.cell] != 0x3f) continue;
        if (s_.open_in(rc.cell) == rc.mask)
            ++closed;
        else
            ++opened;
    }
    return closed - opened + (o_.pair_weight / std::max(1e-9, o_.halves_weight)) * pair_excess_ * opened;
}

// Whether a free piece has a half: the last open area should need none, they pair up only in
// few ways.
bool Sweeper::halves_free() const {
    for (std::size_t c = 0; c < p_.classes.size(); ++c)
        if (awkward_[c] > 0 && s_.class_free(static_cast<std::int32_t>(c)) > 0) return true;
    return false;
}

// Pairs of halves the free pieces must still make inside the board: their halves less the open
// half cells at the border and the open halves of cut cells inside.
double Sweeper::pairs_left() const {
    double halves = 0;
    for (std::size_t c = 0; c < p_.classes.size(); ++c) halves += 2 * awkward_[c] * s_.class_free(static_cast<std::int32_t>(c));
    for (std::int32_t cell = 0; cell < static_cast<std::int32_t>(p_.cell_row.size()); ++cell) {
        const std::uint32_t open = s_.open_in(cell);
        if (open == 0) continue;
        if (p_.free_mask[cell] != 0x3f || sixths_in(open) == 3) halves -= 1;
    }
    return halves / 2;
}

// On a full board every free piece must still have a place: a shape with fewer live rows than
// free pieces is a dead end however the rest is laid.
bool Sweeper::room_for_every_shape() const {
    if (p_.region.limited) return true;
    for (std::size_t c = 0; c < p_.classes.size(); ++c)
        if (s_.class_live(static_cast<std::int32_t>(c)) < s_.class_free(static_cast<std::int32_t>(c))) return false;
    return true;
}

std::int32_t Sweeper::open_neighbour(std::int32_t cell, int k) const {
    const std::int32_t n = p_.across[cell * 6 + k];
    return n >= 0 && (s_.open_in(n / 6) >> (n % 6) & 1) ? n / 6 : -1;
}

bool Sweeper::ahead_ok(std::uint32_t row) {
    if (s_.starved() || !s_.tilt_ok() || !room_for_every_shape()) return false;
    if (s_.pieces_left() < o_.halves_by && halves_free()) return false;
    return pockets_ok(row);
}

// Every closed empty area next to the row that is small enough to judge must have an area the
// free pieces can make, a tilt they can make, and, when very small, a tiling.
bool Sweeper::pockets_ok(std::uint32_t row) {
    const std::uint64_t check = flood_id_ + 1;
    const Row& r = p_.rows[row];
    for (std::uint32_t k = 0; k < r.count; ++k) {
        const RowCell& rc = p_.row_cells[r.first + k];
        if (s_.open_in(rc.cell) != 0 && seen_[rc.cell] < check && !pocket_ok(rc.cell, check)) return false;
        for (std::uint32_t m = rc.mask; m != 0; m &= m - 1) {
            const std::int32_t n = open_neighbour(rc.cell, std::countr_zero(m));
            if (n >= 0 && seen_[n] < check && !pocket_ok(n, check)) return false;
        }
    }
    return true;
}

// A flood that meets a cell of an earlier flood of the same check is in that flood's area, which
// was judged already or is too large to judge.
bool Sweeper::pocket_ok(std::int32_t start, std::uint64_t check) {
    const std::uint64_t id = ++flood_id_;
    flood_.clear();
    flood_.push_back(start);
    seen_[start] = id;
    int size = 0;
    std::int64_t tilt = 0;
    for (std::size_t at = 0; at < flood_.size(); ++at) {
        const std::int32_t cell = flood_[at];
        const std::uint32_t open = s_.open_in(cell);
        size += sixths_in(open);
        tilt += s_.tilt().of_cell(cell, open);
        if (size > o_.pocket_cap) return true;
        for (std::uint32_t m = open; m != 0; m &= m - 1) {
            const std::int32_t n = open_neighbour(cell, std::countr_zero(m));
            if (n < 0 || seen_[n] == id) continue;
            if (seen_[n] >= check) return true;
            seen_[n] = id;
            flood_.push_back(n);
        }
    }
    if (!p_.pieces_joined || p_.region.limited) return true;
    if (uniform_area_ > 0) {
        if (size % uniform_area_ != 0) return false;
        if (s_.tilt().usable() && !s_.tilt().some_can_make(tilt, size / uniform_area_, s_.class_free())) return false;
    }
    if (size > o_.pocket_exact) return true;
    const std::vector<std::int32_t> cells = flood_;
    int budget = 400;
    return tile_pocket(cells, budget);
}

// A small closed area tiled by free pieces, depth first from its most constrained sixth. A search
// that runs out of its budget counts as a tiling: the check must never reject a fillable area.
bool Sweeper::tile_pocket(const std::vector<std::int32_t>& cells, int& budget) {
    std::int32_t best_cell = -1;
    int best_k = 0;
    std::int32_t best_count = std::numeric_limits<std::int32_t>::max();
    for (const std::int32_t cell : cells) fewest_rows(cell, best_cell, best_k, best_count);
    if (best_cell < 0) return true;
    if (best_count == 0) return false;
    std::vector<std::uint32_t> rows;
    const ListEntry* end = p_.cell_lists.data() + p_.cell_list_start[best_cell + 1];
    for (const ListEntry* e = p_.cell_lists.data() + p_.cell_list_start[best_cell]; e != end; ++e)
        if ((e->mask >> best_k & 1) != 0 && s_.live(e->row)) rows.push_back(e->row);
    for (const std::uint32_t row : rows) {
        if (--budget < 0) return true;
        const int piece = s_.place(row);
        const bool ok = !s_.starved() && tile_pocket(cells, budget);
        s_.lift(piece);
        if (ok) return true;
    }
    return false;
}

}  // namespace tessera::solve
