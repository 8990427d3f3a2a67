// A piece whose shape another piece has is cut again together with a neighbour: the area of the
// two is split afresh into two pieces of twelve halves, grown at random along the edges of the
// lattice, until both new shapes are ones that no other piece has. Such a re-cut takes away at
// least one repeat and adds none, so about a hundred of them do; every split tried counts
// against one bound, after which the cut is given up rather than searched for ever.
#include "tools/distinct.h"

#include <algorithm>
#include <array>
#include <bit>
#include <map>
#include <memory>
#include <tuple>

#include "app/solver_state.h"
#include "app/text.h"
#include "board/cell_codes.h"
#include "tools/random.h"
#include "tools/shape_fit.h"

namespace tessera::tools {

namespace {

constexpr unsigned kWhole = 0x3f;
constexpr int kPieceHalves = 12;
// Splits of one pair tried before the next neighbour is taken: a pair that has no good split
// in a few seldom finds one later, while another neighbour often does at once (on seeds 1..20,
// 1 to 10 tries a pair took about 5000 tries in all, 40 about twice as many).
constexpr int kTriesPerPair = 4;
// Percent of growth steps that may take a half of a whole cell: enough that the new pieces
// need not follow the old cuts, few enough that most cells stay whole.
constexpr unsigned kSplitPercent = 25;
constexpr int kUpHalfCodes[6] = {5, 95, 15, 85, 25, 75};
constexpr int kDownHalfCodes[6] = {10, 90, 20, 80, 30, 70};

bool cell_less(const CellCode& a, const CellCode& b) {
    return std::tie(a.row, a.col, a.code) < std::tie(b.row, b.col, b.code);
}

struct ShapeLess {
    bool operator()(const std::vector<CellCode>& a, const std::vector<CellCode>& b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), cell_less);
    }
};
using ShapeCount = std::map<std::vector<CellCode>, int, ShapeLess>;

int halves(unsigned mask) { return std::popcount(mask) / 3; }

bool cell_up(int cell) { return board_cell_points_up(cell / kBoardCols, cell % kBoardCols); }

int code_of(int cell, unsigned mask) {
    if (mask == kWhole) return kFull;
    const bool up = cell_up(cell);
    for (int code : up ? kUpHalfCodes : kDownHalfCodes)
        if (sixth_mask(code, up) == mask) return code;
    return 0;
}

// A cell of the area being split, with the sixths of it that the area holds.
struct AreaCell {
    int cell;
    unsigned mask;
};

std::vector<CellCode> cells_of(const std::vector<AreaCell>& area, const std::vector<unsigned>& masks) {
    std::vector<CellCode> out;
    for (std::size_t i = 0; i < area.size(); ++i)
        if (masks[i] != 0)
            out.push_back({area[i].cell / kBoardCols, area[i].cell % kBoardCols, code_of(area[i].cell, masks[i])});
    return out;
}

class Recutter {
public:
    Recutter(std::uint64_t seed, std::vector<std::vector<CellCode>>& pieces)
        : rng_(seed), pieces_(pieces), neighbours_(board_sixth_neighbours()), owner_(kBoardSixths, -1),
          mark_(kBoardSixths, 0) {
        for (std::size_t i = 0; i < pieces_.size(); ++i) {
            set_owner(static_cast<int>(i));
            forms_.push_back(canonical_shape(pieces_[i]));
            ++count_[forms_.back()];
        }
    }

    std::string run(DistinctStats& stats, long max_tries) {
        stats.shapes_before = static_cast<int>(count_.size());
        for (;;) {
            const std::vector<int> repeated = repeated_pieces();
            if (repeated.empty()) return {};
            bool recut = false;
            for (int a : repeated) {
                if (stats.tries >= max_tries) break;
                if ((recut = recut_beside(a, stats, max_tries))) break;
            }
            if (!recut && stats.tries < max_tries) {
                // Every repeated piece lies among neighbours that no split makes new: a
                // neighbour of one is cut again with a piece beside it instead, which leaves no
                // repeat behind but gives the repeated piece another area to share.
                const int a = repeated[rng_.below(repeated.size())];
                const std::vector<int> around = neighbours_of(a);
                if (!around.empty()) {
                    recut_beside(around[rng_.below(around.size())], stats, max_tries);
                    continue;
                }
            }
            if (!recut)
                return format("%zu of the %zu pieces still share their shape with another after %ld tries at cutting "
                              "neighbouring pieces again",
                              repeated.size(), pieces_.size(), stats.tries);
        }
    }

private:
    void set_owner(int piece) {
        for (const CellCode& c : pieces_[piece]) {
            const int cell = c.row * kBoardCols + c.col;
            const unsigned mask = sixth_mask(c.code, cell_up(cell));
            for (int s = 0; s < 6; ++s)
                if ((mask >> s) & 1) owner_[cell * 6 + s] = piece;
        }
    }

    // Every piece whose shape another piece has too, in list order.
    std::vector<int> repeated_pieces() const {
        std::vector<int> out;
        for (std::size_t i = 0; i < pieces_.size(); ++i)
            if (count_.at(forms_[i]) > 1) out.push_back(static_cast<int>(i));
        return out;
    }

    // The pieces that share an edge with `piece`, in increasing order.
    std::vector<int> neighbours_of(int piece) const {
        std::vector<int> out;
        for (const CellCode& c : pieces_[piece]) {
            const int cell = c.row * kBoardCols + c.col;
            const unsigned mask = sixth_mask(c.code, cell_up(cell));
            for (int s = 0; s < 6; ++s) {
                if (!((mask >> s) & 1)) continue;
                for (int n : neighbours_[cell * 6 + s].id)
                    if (n >= 0 && owner_[n] >= 0 && owner_[n] != piece) out.push_back(owner_[n]);
            }
        }
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

    void forget(int piece) {
        if (--count_[forms_[piece]] == 0) count_.erase(forms_[piece]);
    }

    bool recut_beside(int a, DistinctStats& stats, long max_tries) {
        std::vector<int> others = neighbours_of(a);
        for (std::size_t i = others.size(); i > 1; --i) std::swap(others[i - 1], others[rng_.below(i)]);
        for (int b : others) {
            forget(a);
            forget(b);
            const std::vector<AreaCell> area = area_of(a, b);
            for (int t = 0; t < kTriesPerPair && stats.tries < max_tries; ++t) {
                ++stats.tries;
                if (split(area, a, b)) {
                    ++stats.recuts;
                    return true;
                }
            }
            ++count_[forms_[a]];
            ++count_[forms_[b]];
            if (stats.tries >= max_tries) break;
        }
        return false;
    }

    std::vector<AreaCell> area_of(int a, int b) const {
        std::vector<AreaCell> area;
        for (int piece : {a, b})
            for (const CellCode& c : pieces_[piece]) {
                const int cell = c.row * kBoardCols + c.col;
                const unsigned mask = sixth_mask(c.code, cell_up(cell));
                auto it = std::find_if(area.begin(), area.end(), [&](const AreaCell& x) { return x.cell == cell; });
                if (it == area.end())
                    area.push_back({cell, mask});
                else
                    it->mask |= mask;
            }
        std::sort(area.begin(), area.end(), [](const AreaCell& x, const AreaCell& y) { return x.cell < y.cell; });
        return area;
    }

    // Whether some sixth of `mask` in `cell` shares an edge with a grown sixth.
    bool touches_grown(int cell, unsigned mask) const {
        for (int s = 0; s < 6; ++s) {
            if (!((mask >> s) & 1)) continue;
            for (int n : neighbours_[cell * 6 + s].id)
                if (n >= 0 && mark_[n] == kGrown) return true;
        }
        return false;
    }

    void mark(int cell, unsigned mask, char value) {
        for (int s = 0; s < 6; ++s)
            if ((mask >> s) & 1) mark_[cell * 6 + s] = value;
    }

    // Whether the sixths still marked as rest, `rest` of them, are one piece of area. The
    // search from `from` marks what it reaches; every rest sixth is marked back afterwards.
    bool rest_connected(int from, std::size_t rest) {
        queue_.assign(1, from);
        mark_[from] = kReached;
        for (std::size_t q = 0; q < queue_.size(); ++q)
            for (int n : neighbours_[queue_[q]].id)
                if (n >= 0 && mark_[n] == kRest) {
                    mark_[n] = kReached;
                    queue_.push_back(n);
                }
        for (int id : queue_) mark_[id] = kRest;
        return queue_.size() == rest;
    }

    // Whether taking `mask` of `cell` into the grown piece leaves the rest of the area in one
    // piece: a grown piece that cut the rest in two would be grown in vain.
    bool rest_stays_connected(const std::vector<AreaCell>& area, int cell, unsigned mask, std::size_t rest) {
        mark(cell, mask, kGrown);
        int from = -1;
        for (const AreaCell& c : area)
            for (int s = 0; s < 6 && from < 0; ++s)
                if (mark_[c.cell * 6 + s] == kRest) from = c.cell * 6 + s;
        const bool ok = from >= 0 && rest_connected(from, rest - std::popcount(mask));
        mark(cell, mask, kRest);
        return ok;
    }

    // Grows one piece of twelve halves in the area at random, one whole cell or half at a time,
    // each touching what was grown and leaving the rest in one piece; fills `grown` with its
    // sixths per area cell.
    bool grow(const std::vector<AreaCell>& area, std::vector<unsigned>& grown) {
        grown.assign(area.size(), 0);
        std::size_t rest = 0;
        for (const AreaCell& c : area) {
            mark(c.cell, c.mask, kRest);
            rest += std::popcount(c.mask);
        }
        struct Unit {
            std::size_t at;
            unsigned mask;
        };
        const auto take = [&](const Unit& u) {
            grown[u.at] |= u.mask;
            mark(area[u.at].cell, u.mask, kGrown);
            rest -= std::popcount(u.mask);
        };
        const std::size_t start = rng_.below(area.size());
        unsigned first = area[start].mask;
        if (first == kWhole && rng_.below(100) < kSplitPercent) first = random_half(area[start].cell);
        if (!rest_stays_connected(area, area[start].cell, first, rest)) return false;
        take({start, first});
        int size = halves(first);
        std::vector<Unit> options;
        while (size < kPieceHalves) {
            const bool may_split = size == kPieceHalves - 1 || rng_.below(100) < kSplitPercent;
            options.clear();
            for (std::size_t i = 0; i < area.size(); ++i) {
                const unsigned free = area[i].mask & ~grown[i];
                if (free == 0) continue;
                const auto consider = [&](unsigned mask) {
                    if (size + halves(mask) <= kPieceHalves && touches_grown(area[i].cell, mask) &&
                        rest_stays_connected(area, area[i].cell, mask, rest))
                        options.push_back({i, mask});
                };
                if (free != kWhole) {
                    consider(free);
                    continue;
                }
                consider(kWhole);
                if (may_split)
                    for (int code : cell_up(area[i].cell) ? kUpHalfCodes : kDownHalfCodes)
                        consider(sixth_mask(code, cell_up(area[i].cell)));
            }
            if (options.empty()) return false;
            const Unit u = options[rng_.below(options.size())];
            take(u);
            size += halves(u.mask);
        }
        return true;
    }

    unsigned random_half(int cell) {
        const bool up = cell_up(cell);
        return sixth_mask((up ? kUpHalfCodes : kDownHalfCodes)[rng_.below(6)], up);
    }

    void clear_marks(const std::vector<AreaCell>& area) {
        for (const AreaCell& c : area) mark(c.cell, c.mask, 0);
    }

    bool split(const std::vector<AreaCell>& area, int a, int b) {
        std::vector<unsigned> grown;
        const bool ok = grow(area, grown);
        clear_marks(area);
        if (!ok) return false;
        std::vector<unsigned> rest(area.size());
        for (std::size_t i = 0; i < area.size(); ++i) rest[i] = area[i].mask & ~grown[i];
        std::vector<CellCode> first = cells_of(area, grown), second = cells_of(area, rest);
        if (!is_piece_shape(first) || !is_piece_shape(second)) return false;
        std::vector<CellCode> first_form = canonical_shape(first), second_form = canonical_shape(second);
        if (first_form == second_form || count_.count(first_form) || count_.count(second_form)) return false;

        pieces_[a] = std::move(first);
        pieces_[b] = std::move(second);
        set_owner(a);
        set_owner(b);
        forms_[a] = std::move(first_form);
        forms_[b] = std::move(second_form);
        ++count_[forms_[a]];
        ++count_[forms_[b]];
        return true;
    }

    static constexpr char kGrown = 1, kRest = 2, kReached = 3;

    Random rng_;
    std::vector<std::vector<CellCode>>& pieces_;
    const std::array<SixthNeighbours, kBoardSixths>& neighbours_;
    std::vector<int> owner_;
    std::vector<char> mark_;
    std::vector<int> queue_;
    std::vector<std::vector<CellCode>> forms_;
    ShapeCount count_;
};

}  // namespace

std::vector<CellCode> canonical_shape(const std::vector<CellCode>& cells) {
    std::vector<CellCode> best, turned;
    for (int k = 0; k < 6; ++k) {
        turned.clear();
        for (const CellCode& c : cells) turned.push_back(turn_cell(c, k));
        const Box box = box_of(turned);
        // A move keeps every cell's direction only when it shifts rows and columns by an even
        // sum, so the column goes one further left when the top-left corner's sum is odd.
        const int dr = box.top, dc = box.left - ((box.top + box.left) & 1);
        for (CellCode& c : turned) c.row -= dr, c.col -= dc;
        std::sort(turned.begin(), turned.end(), cell_less);
        if (k == 0 || ShapeLess{}(turned, best)) best = turned;
    }
    return best;
}

int count_shapes(const std::vector<std::vector<CellCode>>& pieces) {
    ShapeCount count;
    for (const auto& piece : pieces) ++count[canonical_shape(piece)];
    return static_cast<int>(count.size());
}

std::string make_shapes_distinct(std::uint64_t seed, std::vector<std::vector<CellCode>>& pieces,
                                 DistinctStats& stats, long max_tries) {
    stats = DistinctStats{};
    auto recutter = std::make_unique<Recutter>(seed, pieces);
    return recutter->run(stats, max_tries);
}

}  // namespace tessera::tools
