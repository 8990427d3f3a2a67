#include "solve/fill_lns.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "board/cell_codes.h"
#include "solve/fill_exact.h"

namespace tessera::solve {

namespace {

constexpr double kRowHeight = 0.8660254037844386;  // of a cell, its width along the row being 1
constexpr double kPi = 3.14159265358979323846;

}  // namespace

Neighbourhood::Neighbourhood(FillState& state, const FillOptions& options, std::uint64_t& rng,
                             const std::atomic<bool>& stop)
    : s_(state), o_(options), rng_(rng), stop_(stop) {
    const Problem& p = s_.problem();
    seen_.assign(p.cell_row.size(), 0);
    required_.assign(p.cell_row.size(), 0);
    cx_.resize(p.cell_row.size());
    cy_.resize(p.cell_row.size());
    for (std::size_t i = 0; i < cx_.size(); ++i) {
        cx_[i] = p.cell_col[i] * 0.5;
        cy_[i] = p.cell_row[i] * kRowHeight + (board_cell_points_up(p.cell_row[i], p.cell_col[i]) ? 0.1 : -0.1);
    }
}

double Neighbourhood::random01() { return static_cast<double>(fill_random(rng_) >> 11) * 0x1.0p-53; }

int Neighbourhood::random_below(int n) { return n <= 1 ? 0 : static_cast<int>(fill_random(rng_) % static_cast<std::uint64_t>(n)); }

double Neighbourhood::Ball::distance(double px, double py) const {
    const double dx = px - x, dy = py - y;
    const double u = dx * cos + dy * sin, v = -dx * sin + dy * cos;
    return std::sqrt(u * u * stretch + v * v / stretch);
}

// A disc, or an ellipse up to lns_stretch times as long as wide in a random direction (a band
// along a border or across the open area).
Neighbourhood::Ball Neighbourhood::random_ball(double x, double y) {
    Ball b;
    b.x = x;
    b.y = y;
    const double angle = random01() * kPi;
    b.cos = std::cos(angle);
    b.sin = std::sin(angle);
    if (random01() < 0.5) b.stretch = std::exp(random01() * std::log(std::max(1.0, o_.lns_stretch)));
    return b;
}

// Window sizes drawn between the two knobs, larger after moves that closed nothing.
int Neighbourhood::window_size() {
    const int low = std::max(1, o_.lns_min_pieces);
    const int high = std::max(low, std::min(o_.lns_max_pieces, low + misses_ / 4));
    return low + random_below(high - low + 1);
}

// The laid pieces whose centres are nearest to the ball's centre; `radius` is the distance of
// the last one taken.
std::vector<int> Neighbourhood::nearest_pieces(const Ball& ball, int pieces, double& radius) const {
    const Problem& p = s_.problem();
    std::vector<std::pair<double, int>> by_distance;
    by_distance.reserve(s_.laid().size());
    for (const FillState::Laid& l : s_.laid()) {
        const Row& r = p.rows[l.row];
        double x = 0, y = 0;
        for (std::uint32_t k = 0; k < r.count; ++k) {
            x += cx_[p.row_cells[r.first + k].cell];
            y += cy_[p.row_cells[r.first + k].cell];
        }
        by_distance.push_back({ball.distance(x / r.count, y / r.count), l.piece});
    }
    const std::size_t n = std::min(by_distance.size(), static_cast<std::size_t>(std::max(0, pieces)));
    std::partial_sort(by_distance.begin(), by_distance.begin() + static_cast<std::ptrdiff_t>(n), by_distance.end());
    std::vector<int> out;
    radius = 0;
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(by_distance[i].second);
        radius = by_distance[i].first;
    }
    return out;
}

// Covers every open sixth of the window by exact cover with the offered free pieces; false (the
// board as before the call) when the search proves there is none or runs out of its budget.
int Neighbourhood::free_halves() const {
    int n = 0;
    for (std::size_t c = 0; c < s_.problem().classes.size(); ++c)
        n += s_.class_free(static_cast<std::int32_t>(c)) * s_.problem().halves_of(static_cast<std::int32_t>(c));
    return n;
}

bool Neighbourhood::lay_window(const std::vector<std::int32_t>& window, const std::vector<char>& offered, bool use_all,
                               const std::vector<std::uint32_t>* required) {
    laid_.clear();
    int area = 0;
    for (const std::int32_t cell : window) area += sixths_in(s_.open_in(cell));
    const Problem& p = s_.problem();
    if (required == nullptr && !p.classes.empty() && area % p.classes.front().area != 0) {
        ++counts_.uneven;
        return false;
    }
    Problem part;
    derive_part(s_, &window, offered.empty() ? nullptr : &offered, use_all, part, required);
    const std::uint64_t budget = o_.lns_nodes * (s_.pieces_left() <= o_.lns_finish ? 5 : 1);
    const ExactOutcome found = complete_exactly(part, budget, stop_, 0, static_cast<std::size_t>(std::max(1, o_.lns_units)));
    counts_.nodes += found.nodes;
    if (found.end == ExactOutcome::End::None) ++counts_.proved;
    if (found.end == ExactOutcome::End::Unknown) ++counts_.unknown;
    if (found.end != ExactOutcome::End::Found) return false;
    for (const Placement& e : found.placements) {
        const int piece = s_.place_if_fits(e);
        if (piece == 0) {
            for (const int laid : laid_) s_.lift(laid);
            return false;
        }
        laid_.push_back(piece);
    }
    // Pieces with halves that a window leaves over have to meet halves again elsewhere, which the
    // open area (whole cells, mostly) seldom offers: a refill may not add to them.
    if (open_areas_ok() && (!o_.lns_keep_halves || free_halves() <= halves_before_)) return true;
    ++counts_.spoilt;
    for (const int piece : laid_) s_.lift(piece);
    return false;
}

// What a window leaves open must still be fillable as far as cheap checks tell: every open area a
// whole number of pieces, every open sixth with a live row, every free piece with a place.
bool Neighbourhood::open_areas_ok() {
    const Problem& p = s_.problem();
    const int piece_area = p.classes.empty() ? 36 : p.classes.front().area;
    for (std::size_t c = 0; c < p.classes.size(); ++c)
        if (s_.class_live(static_cast<std::int32_t>(c)) < s_.class_free(static_cast<std::int32_t>(c))) return false;
    ++flood_id_;
    for (std::int32_t start = 0; start < static_cast<std::int32_t>(cx_.size()); ++start) {
        if (s_.open_in(start) == 0 || seen_[start] == flood_id_) continue;
        flood_.assign(1, start);
        seen_[start] = flood_id_;
        int area = 0;
        for (std::size_t at = 0; at < flood_.size(); ++at) {
            const std::int32_t cell = flood_[at];
            for (std::uint32_t m = s_.open_in(cell); m != 0; m &= m - 1) {
                const int k = std::countr_zero(m);
                ++area;
                if (s_.live_in(cell, k) == 0) return false;
                const std::int32_t n = p.across[cell * 6 + k];
                if (n < 0 || (s_.open_in(n / 6) >> (n % 6) & 1) == 0 || seen_[n / 6] == flood_id_) continue;
                seen_[n / 6] = flood_id_;
                flood_.push_back(n / 6);
            }
        }
        if (p.pieces_joined && area % piece_area != 0) return false;
    }
    return true;
}

bool Neighbourhood::close_around(std::int32_t cell, int pieces) {
    ++counts_.moves;
    halves_before_ = free_halves();
    const Ball ball = random_ball(cx_[cell], cy_[cell]);
    double radius = 0;
    const std::vector<int> near = nearest_pieces(ball, pieces, radius);
    const Problem& p = s_.problem();
    // What the lifted pieces covered must be covered again, and the open cell the window is
    // centred on; the open cells around it may be.
    std::vector<std::int32_t> touched;
    for (const int piece : near) {
        const Row& r = p.rows[static_cast<std::size_t>(s_.row_of(piece))];
        for (std::uint32_t k = 0; k < r.count; ++k) {
            const RowCell& rc = p.row_cells[r.first + k];
            required_[rc.cell] |= rc.mask;
            touched.push_back(rc.cell);
        }
    }
    std::vector<FillState::Laid> lifted;
    std::vector<std::int32_t> window;
    s_.lift_pieces(near, lifted, window);
    required_[cell] |= s_.open_in(cell);
    touched.push_back(cell);
    std::sort(window.begin(), window.end());
    window.erase(std::unique(window.begin(), window.end()), window.end());
    const int piece_area = p.classes.empty() ? 36 : p.classes.front().area;
    const bool finish = s_.pieces_left() <= o_.lns_finish + static_cast<int>(lifted.size());
    const int bite = finish ? std::numeric_limits<int>::max() : piece_area * std::max(1, o_.lns_bite);
    std::vector<std::pair<double, std::int32_t>> open;
    for (std::int32_t c = 0; c < static_cast<std::int32_t>(cx_.size()); ++c)
        if (s_.open_in(c) != 0 && !std::binary_search(window.begin(), window.end(), c))
            open.push_back({ball.distance(cx_[c], cy_[c]), c});
    std::sort(open.begin(), open.end());
    const std::size_t lifted_cells = window.size();
    int taken = 0;
    for (const auto& [distance, c] : open) {
        if (taken >= bite) break;
        window.push_back(c);
        taken += sixths_in(s_.open_in(c));
    }
    std::inplace_merge(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(lifted_cells), window.end());
    int area = 0;
    for (const std::int32_t c : window) area += sixths_in(s_.open_in(c));
    const std::int64_t before = s_.uncovered();
    // A window that takes in every open cell is a small full board: all free pieces, all sixths.
    const bool all_open = static_cast<std::int64_t>(area) == s_.uncovered();
    const bool laid = all_open ? lay_window(window, {}, true) : lay_window(window, offer_for(lifted), false, &required_);
    for (const std::int32_t c : touched) required_[c] = 0;
    if (!laid) {
        s_.lay_back(lifted);
        return false;
    }
    return s_.uncovered() < before;
}

// Whether the row's half cells meet the board's border or the other half of a laid piece: a
// place where a piece with halves can go once the whole pieces there are lifted.
bool Neighbourhood::halves_meet(const Row& r) const {
    const Problem& p = s_.problem();
    for (std::uint32_t k = 0; k < r.count; ++k) {
        const RowCell& rc = p.row_cells[r.first + k];
        if (rc.mask == 0x3f || p.free_mask[rc.cell] != 0x3f) continue;
        if (s_.cover(rc.cell) != (0x3f & ~rc.mask)) return false;
    }
    return true;
}

// A place for the free piece: a random row of its shape whose halves meet halves or the border,
// among a few drawn (any of them when none does).
const Row& Neighbourhood::place_for(std::int32_t cls) {
    const Problem& p = s_.problem();
    const std::uint32_t first = p.class_list_start[cls], end = p.class_list_start[cls + 1];
    const Row* pick = nullptr;
    for (int tries = 0; tries < 64; ++tries) {
        const Row& r = p.rows[p.class_lists[first + static_cast<std::uint32_t>(random_below(static_cast<int>(end - first)))].row];
        if (pick == nullptr || halves_meet(r)) pick = &r;
        if (halves_meet(r)) break;
    }
    return *pick;
}

// Lifts the pieces around a place of the free piece's shape and lays them again with that piece
// instead of one of them, of as many halves where it can be: the board keeps its count, the
// pieces left over change.
bool Neighbourhood::swap_in(int free_piece, int pieces) {
    ++counts_.moves;
    halves_before_ = free_halves();
    const Problem& p = s_.problem();
    const std::int32_t cls = s_.class_of(free_piece);
    if (cls < 0 || !s_.piece_free(free_piece) || p.class_list_start[cls] == p.class_list_start[cls + 1]) return false;
    const Row& r = place_for(cls);
    double x = 0, y = 0;
    for (std::uint32_t k = 0; k < r.count; ++k) {
        x += cx_[p.row_cells[r.first + k].cell];
        y += cy_[p.row_cells[r.first + k].cell];
    }
    const Ball ball = random_ball(x / r.count, y / r.count);
    double radius = 0;
    const std::vector<int> near = nearest_pieces(ball, pieces, radius);
    std::vector<int> alike, others, fewer;
    const int halves = p.halves_of(cls);
    for (const int piece : near) {
        const std::int32_t c = s_.class_of(piece);
        if (c == cls) continue;
        others.push_back(piece);
        const int theirs = p.halves_of(c);
        if (theirs == halves) alike.push_back(piece);
        if (theirs < halves) fewer.push_back(piece);
    }
    // Keeping halves laid, a free piece with halves is traded for one with fewer: the pieces left
    // over move towards whole cells, which the open area takes.
    const std::vector<int>& from = o_.lns_keep_halves && !fewer.empty() ? fewer : alike.empty() ? others : alike;
    if (from.empty()) return false;
    std::vector<FillState::Laid> lifted;
    std::vector<std::int32_t> window;
    s_.lift_pieces(near, lifted, window);
    std::sort(window.begin(), window.end());
    window.erase(std::unique(window.begin(), window.end()), window.end());
    for (int attempt = 0; attempt < std::max(1, o_.lns_swap_tries); ++attempt) {
        const int out = from[static_cast<std::size_t>(random_below(static_cast<int>(from.size())))];
        std::vector<char> offered(kPieceCount + 1, 0);
        for (const FillState::Laid& l : lifted) offered[l.piece] = 1;
        offered[out] = 0;
        offered[free_piece] = 1;
        if (lay_window(window, offered, true)) {
            ++counts_.swaps;
            return true;
        }
    }
    s_.lay_back(lifted);
    return false;
}

// The pieces a window may use: those lifted, the free ones of their shapes (they add no rows),
// and lns_offer of the other free pieces drawn at random.
std::vector<char> Neighbourhood::offer_for(const std::vector<FillState::Laid>& lifted) {
    std::vector<char> offered(kPieceCount + 1, 0);
    std::vector<char> shape_in(s_.problem().classes.size(), 0);
    for (const FillState::Laid& l : lifted) shape_in[static_cast<std::size_t>(s_.class_of(l.piece))] = 1;
    std::vector<int> others;
    for (std::size_t c = 0; c < shape_in.size(); ++c)
        for (const int m : s_.problem().classes[c].members)
            if (s_.piece_free(m)) {
                if (shape_in[c] != 0)
                    offered[m] = 1;
                else
                    others.push_back(m);
            }
    for (int i = 0; i < o_.lns_offer && !others.empty(); ++i) {
        const std::size_t at = static_cast<std::size_t>(random_below(static_cast<int>(others.size())));
        offered[others[at]] = 1;
        others[at] = others.back();
        others.pop_back();
    }
    return offered;
}

// The open cells at the edge of what is laid: a window around one of them reaches both.
void Neighbourhood::open_edge(std::vector<std::int32_t>& out) const {
    const Problem& p = s_.problem();
    out.clear();
    for (std::int32_t c = 0; c < static_cast<std::int32_t>(cx_.size()); ++c) {
        const std::uint32_t open = s_.open_in(c);
        if (open == 0) continue;
        bool edge = open != p.primary_mask[c];
        for (int k = 0; k < 6 && !edge; ++k) {
            const std::int32_t n = p.across[c * 6 + k];
            edge = n >= 0 && (s_.open_in(n / 6) >> (n % 6) & 1) == 0;
        }
        if (edge) out.push_back(c);
    }
    if (out.empty())
        for (std::int32_t c = 0; c < static_cast<std::int32_t>(cx_.size()); ++c)
            if (s_.open_in(c) != 0) out.push_back(c);
}

bool Neighbourhood::unstick(const std::vector<std::int32_t>& order, int patience) {
    std::vector<std::int32_t> head;
    for (misses_ = 0; misses_ < patience && !stop_.load(std::memory_order_relaxed); ++misses_) {
        head.clear();
        for (const std::int32_t cell : order) {
            if (s_.open_in(cell) == 0) continue;
            head.push_back(cell);
            if (static_cast<int>(head.size()) >= std::max(1, o_.lns_head)) break;
        }
        if (head.empty()) return false;
        const std::int64_t before = s_.uncovered();
        close_around(head[static_cast<std::size_t>(random_below(static_cast<int>(head.size())))], window_size());
        if (s_.uncovered() < before) {
            ++counts_.gains;
            return true;
        }
    }
    return false;
}

bool Neighbourhood::run(const std::function<void()>& on_gain) {
    misses_ = 0;
    std::vector<std::int32_t> open;
    while (!stop_.load(std::memory_order_relaxed) && misses_ < o_.lns_patience) {
        if (s_.uncovered() == 0) return true;
        const std::int64_t before = s_.uncovered();
        if (random01() < o_.lns_swap_share && s_.pieces_left() > 0) {
            std::vector<int> free, halved;
            for (std::size_t c = 0; c < s_.problem().classes.size(); ++c)
                for (const int m : s_.problem().classes[c].members)
                    if (s_.piece_free(m)) {
                        free.push_back(m);
                        if (s_.problem().halves_of(static_cast<std::int32_t>(c)) > 0) halved.push_back(m);
                    }
            if (o_.lns_keep_halves && !halved.empty() && random01() < 0.8) free.swap(halved);
            swap_in(free[static_cast<std::size_t>(random_below(static_cast<int>(free.size())))], window_size());
        } else {
            open_edge(open);
            const int pieces = s_.pieces_left() <= o_.lns_finish ? o_.lns_max_pieces : window_size();
            close_around(open[static_cast<std::size_t>(random_below(static_cast<int>(open.size())))], pieces);
        }
        if (s_.uncovered() < before) {
            ++counts_.gains;
            misses_ = 0;
            if (on_gain) on_gain();
        } else {
            ++misses_;
        }
    }
    return s_.uncovered() == 0;
}

}  // namespace tessera::solve
