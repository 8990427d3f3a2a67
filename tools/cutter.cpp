// The board is cut piece by piece from the top down. Each new piece starts at the first cell
// (in row order) that is not yet taken and grows one unit (a whole cell or a half) at a time,
// preferring units that keep it compact, that lie high on the board and that few free cells
// reach, so that the taken area advances as one front. A free area smaller than a piece that
// a growing piece closes in can only be filled by that piece, so the piece takes it; a piece
// that would leave an area which cannot be cut into whole pieces is grown again. When a piece
// cannot be grown, the one before it is taken back, and when that does not help, a block.
#include "tools/cutter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>

#include "app/text.h"
#include "board/board.h"
#include "board/cell_codes.h"
#include "tools/random.h"
#include "tools/shape_fit.h"

namespace tessera::tools {

namespace {

constexpr int kCells = kBoardRows * kBoardCols;
constexpr int kOff = -2;   // a sixth outside the playing area
constexpr int kFree = -1;  // a sixth not yet in a piece
constexpr int kPieceHalves = 12;
constexpr unsigned kWhole = 0x3f;

// Attempts at one piece before the piece before it is taken back, and attempts in all before
// the whole board is started again with fresh choices.
constexpr int kTriesPerPiece = 12;
constexpr long kTriesPerRound = 6000;
// Tries without getting deeper before a block of pieces is taken back, and the size of the
// first block (it doubles with each further jump, up to eight times).
constexpr long kTriesBeforeJump = 150;
constexpr int kJumpBack = 8;
constexpr int kMaxRounds = 50;
// Percent of growth steps that may also cut a whole cell in two, beyond the steps that must.
constexpr unsigned kSplitPercent = 20;
// Weights of a growth step's choice: how many free sixths border the unit, and the range of
// the random part that makes two seeds give different puzzles.
constexpr long kOpenWeight = 10;
constexpr unsigned kJitter = 40;

int halves(unsigned mask) { return std::popcount(mask) / 3; }

struct Taken {
    int cell;
    unsigned mask;
};

class Cutter {
public:
    explicit Cutter(std::uint64_t seed) : rng_(seed), neighbours_(board_sixth_neighbours()) {
        fill_initial_board(initial_);
        for (int up = 0; up < 2; ++up) {
            const int* codes = up ? kUpCodes : kDownCodes;
            for (int i = 0; i < 6; ++i) half_masks_[up][i] = sixth_mask(codes[i], up != 0);
        }
        for (int k = 0; k < 6; ++k)
            for (int cell = 0; cell < kCells; ++cell) {
                const CellCode t = turn_cell({cell / kBoardCols, cell % kBoardCols, kFull}, k);
                turned_[k][cell] = {t.row, t.col};
            }
        owner_.resize(kBoardSixths);
        stamp_.assign(kBoardSixths, 0);
    }

    std::string run(std::vector<std::vector<CellCode>>& out, CutStats& stats) {
        std::vector<std::vector<Taken>> stack;
        for (int round = 0; round < kMaxRounds; ++round) {
            reset();
            stack.clear();
            std::array<int, kPieceCount + 1> tries{};
            long budget = kTriesPerRound;
            // Tries since the cut last reached a new depth; when they run out, the last pieces
            // are taken back in a larger block, since a dead end near the front is usually
            // made by pieces well behind it.
            long stuck = 0;
            int deepest = 0, jumps = 0;
            while (stack.size() < static_cast<std::size_t>(kPieceCount) && budget > 0) {
                const int level = static_cast<int>(stack.size());
                if (level > deepest) deepest = level, stuck = 0;
                if (stuck >= kTriesBeforeJump && level > 0) {
                    const int back = std::min(level, kJumpBack << std::min(jumps, 3));
                    for (int i = 0; i < back; ++i) {
                        release(stack.back());
                        stack.pop_back();
                    }
                    for (int l = level - back; l <= level; ++l) tries[l] = 0;
                    stats.backtracks += back;
                    ++jumps;
                    stuck = 0;
                    deepest = level - back;
                    continue;
                }
                if (tries[level] >= kTriesPerPiece) {
                    if (level == 0) break;
                    tries[level] = 0;
                    release(stack.back());
                    stack.pop_back();
                    ++stats.backtracks;
                    continue;
                }
                ++tries[level];
                --budget;
                ++stuck;
                ++stats.attempts;
                std::vector<Taken> taken;
                if (grow(level, taken) && leaves_cuttable_rest(taken)) {
                    stack.push_back(std::move(taken));
                } else {
                    release(taken);
                }
            }
            if (stack.size() == static_cast<std::size_t>(kPieceCount) && first_free_cell() < 0) {
                out.clear();
                for (const auto& piece : stack) out.push_back(cells_of(piece));
                return {};
            }
            ++stats.restarts;
        }
        return format("the board could not be cut into %d pieces in %d rounds", kPieceCount, kMaxRounds);
    }

private:
    static constexpr int kUpCodes[6] = {5, 95, 15, 85, 25, 75};
    static constexpr int kDownCodes[6] = {10, 90, 20, 80, 30, 70};

    static bool up(int cell) { return board_cell_points_up(cell / kBoardCols, cell % kBoardCols); }

    void reset() {
        for (int cell = 0; cell < kCells; ++cell) {
            const int code = initial_[cell / kBoardCols][cell % kBoardCols];
            const unsigned outside = code == 0 ? 0 : sixth_mask(code, up(cell));
            for (int s = 0; s < 6; ++s) owner_[cell * 6 + s] = (outside >> s) & 1 ? kOff : kFree;
        }
    }

    unsigned free_mask(int cell) const {
        unsigned m = 0;
        for (int s = 0; s < 6; ++s)
            if (owner_[cell * 6 + s] == kFree) m |= 1u << s;
        return m;
    }

    int first_free_cell() const {
        for (int cell = 0; cell < kCells; ++cell)
            if (free_mask(cell) != 0) return cell;
        return -1;
    }

    // Whether some sixth of `mask` in `cell` shares an edge with a sixth of piece `piece`.
    bool touches(int cell, unsigned mask, int piece) const {
        for (int s = 0; s < 6; ++s) {
            if (!((mask >> s) & 1)) continue;
            for (int n : neighbours_[cell * 6 + s].id)
                if (n >= 0 && owner_[n] == piece) return true;
        }
        return false;
    }

    // How many free sixths outside the unit border it: a unit that few free cells reach is best
    // taken now, before it is cut off.
    long exposure(int cell, unsigned mask) const {
        long n = 0;
        for (int s = 0; s < 6; ++s) {
            if (!((mask >> s) & 1)) continue;
            for (int id : neighbours_[cell * 6 + s].id)
                if (id >= 0 && owner_[id] == kFree && !(id / 6 == cell && ((mask >> (id % 6)) & 1))) ++n;
        }
        return n;
    }

    void take(int cell, unsigned mask, int piece, std::vector<Taken>& taken) {
        for (int s = 0; s < 6; ++s)
            if ((mask >> s) & 1) owner_[cell * 6 + s] = piece;
        taken.push_back({cell, mask});
    }

    void release(const std::vector<Taken>& taken) {
        for (const Taken& t : taken)
            for (int s = 0; s < 6; ++s)
                if ((t.mask >> s) & 1) owner_[t.cell * 6 + s] = kFree;
    }

    // A random half of a whole cell, for a piece that starts by cutting its first cell.
    unsigned random_half(int cell) { return half_masks_[up(cell)][rng_.below(6)]; }

    // Squared distance between cell centres, times 9 so that it stays whole: a centre lies a
    // third or two thirds of the way down its row, and a row is sqrt(3) half edges high.
    static long distance2(int a, int b) {
        const long dh = 3L * (a % kBoardCols - b % kBoardCols);
        const long dv = (3L * (a / kBoardCols) + (up(a) ? 2 : 1)) - (3L * (b / kBoardCols) + (up(b) ? 2 : 1));
        return dh * dh + 3 * dv * dv;
    }

    bool grow(int piece, std::vector<Taken>& taken) {
        const int seed = first_free_cell();
        if (seed < 0) return false;
        const unsigned seed_free = free_mask(seed);
        unsigned first = seed_free;
        if (seed_free == kWhole && rng_.below(100) < kSplitPercent) first = random_half(seed);
        take(seed, first, piece, taken);
        int size = halves(first);
        std::array<Box, 6> boxes{};
        for (int k = 0; k < 6; ++k) boxes[k].add(turned_[k][seed].first, turned_[k][seed].second);

        struct Option {
            int cell;
            unsigned mask;
            long score;
        };
        std::vector<int> cells, pocket;
        std::vector<Option> options;
        while (size < kPieceHalves) {
            // Free areas smaller than a piece that this piece has closed in can only be filled
            // by this piece: it takes them before anything else, or gives up if they are too big.
            pocket.clear();
            for (const Taken& t : taken) pockets_beside(t.cell, t.mask, pocket);
            if (size + static_cast<int>(pocket.size()) / 3 > kPieceHalves) return false;

            cells.clear();
            for (const Taken& t : taken)
                for (int s = 0; s < 6; ++s) {
                    if (!((t.mask >> s) & 1)) continue;
                    for (int n : neighbours_[t.cell * 6 + s].id)
                        if (n >= 0 && owner_[n] == kFree &&
                            std::find(cells.begin(), cells.end(), n / 6) == cells.end() &&
                            (pocket.empty() || std::find(pocket.begin(), pocket.end(), n) != pocket.end()))
                            cells.push_back(n / 6);
                }
            const bool may_split = pocket.empty() && (size == kPieceHalves - 1 || rng_.below(100) < kSplitPercent);
            options.clear();
            for (int cell : cells) {
                const unsigned fm = free_mask(cell);
                const auto consider = [&](unsigned mask) {
                    if (size + halves(mask) > kPieceHalves || !touches(cell, mask, piece)) return;
                    long spread = 0;
                    for (int k = 0; k < 6; ++k) {
                        Box b = boxes[k];
                        b.add(turned_[k][cell].first, turned_[k][cell].second);
                        if (b.height() > 5 || b.width() > 8) return;
                        spread += b.height() * 3 + b.width();
                    }
                    if (pocket.empty()) {
                        // Taking this unit must not close in more than the piece has room for.
                        std::vector<Taken> probe;
                        take(cell, mask, piece, probe);
                        std::vector<int> closed;
                        pockets_beside(cell, mask, closed);
                        release(probe);
                        if (size + halves(mask) + static_cast<int>(closed.size()) / 3 > kPieceHalves) return;
                    }
                    long inertia = 0;
                    for (const Taken& t : taken) inertia += distance2(cell, t.cell);
                    const long lower = 12L * (cell / kBoardCols - seed / kBoardCols);
                    const long open = exposure(cell, mask);
                    options.push_back(
                        {cell, mask,
                         inertia + 4 * spread + lower + kOpenWeight * open + static_cast<long>(rng_.below(kJitter))});
                };
                if (fm == kWhole) {
                    consider(kWhole);
                    if (may_split)
                        for (unsigned hm : half_masks_[up(cell)]) consider(hm);
                } else {
                    consider(fm);
                }
            }
            if (options.empty()) return false;
            const Option best = *std::min_element(options.begin(), options.end(),
                                                  [](const Option& a, const Option& b) { return a.score < b.score; });
            take(best.cell, best.mask, piece, taken);
            size += halves(best.mask);
            for (int k = 0; k < 6; ++k) boxes[k].add(turned_[k][best.cell].first, turned_[k][best.cell].second);
        }
        if (!is_piece_shape(cells_of(taken))) return false;
        return true;
    }

    // Appends to `pocket` the free sixths of every free area of less than a piece's worth that
    // borders the given unit.
    void pockets_beside(int cell, unsigned mask, std::vector<int>& pocket) {
        constexpr std::size_t kPieceSixths = kPieceHalves * 3;
        for (int s = 0; s < 6; ++s) {
            if (!((mask >> s) & 1)) continue;
            for (int start : neighbours_[cell * 6 + s].id) {
                if (start < 0 || owner_[start] != kFree) continue;
                if (std::find(pocket.begin(), pocket.end(), start) != pocket.end()) continue;
                ++generation_;
                area_.assign(1, start);
                stamp_[start] = generation_;
                for (std::size_t i = 0; i < area_.size() && area_.size() < kPieceSixths; ++i)
                    for (int n : neighbours_[area_[i]].id)
                        if (n >= 0 && owner_[n] == kFree && stamp_[n] != generation_) {
                            stamp_[n] = generation_;
                            area_.push_back(n);
                        }
                if (area_.size() < kPieceSixths) pocket.insert(pocket.end(), area_.begin(), area_.end());
            }
        }
    }

    // Every free area that the new piece borders must be cut into whole pieces later: its size
    // must be a multiple of twelve halves, and an area of exactly twelve must be a piece itself.
    bool leaves_cuttable_rest(const std::vector<Taken>& taken) {
        ++generation_;
        std::vector<int> queue;
        for (const Taken& t : taken)
            for (int s = 0; s < 6; ++s) {
                if (!((t.mask >> s) & 1)) continue;
                for (int start : neighbours_[t.cell * 6 + s].id) {
                    if (start < 0 || owner_[start] != kFree || stamp_[start] == generation_) continue;
                    queue.assign(1, start);
                    stamp_[start] = generation_;
                    for (std::size_t i = 0; i < queue.size(); ++i)
                        for (int n : neighbours_[queue[i]].id)
                            if (n >= 0 && owner_[n] == kFree && stamp_[n] != generation_) {
                                stamp_[n] = generation_;
                                queue.push_back(n);
                            }
                    const std::size_t piece_sixths = kPieceHalves * 3;
                    if (queue.size() % piece_sixths != 0) return false;
                    if (queue.size() == piece_sixths && !is_piece_shape(cells_of_sixths(queue))) return false;
                }
            }
        return true;
    }

    int code_of(int cell, unsigned mask) const {
        if (mask == kWhole) return kFull;
        const bool u = up(cell);
        for (int i = 0; i < 6; ++i)
            if (half_masks_[u][i] == mask) return u ? kUpCodes[i] : kDownCodes[i];
        return 0;
    }

    std::vector<CellCode> cells_of(const std::vector<Taken>& taken) const {
        // A piece may take both halves of a cell that it cut itself; the file holds it whole.
        std::vector<Taken> merged;
        for (const Taken& t : taken) {
            auto it = std::find_if(merged.begin(), merged.end(), [&](const Taken& m) { return m.cell == t.cell; });
            if (it == merged.end())
                merged.push_back(t);
            else
                it->mask |= t.mask;
        }
        std::vector<CellCode> out;
        for (const Taken& t : merged)
            out.push_back({t.cell / kBoardCols, t.cell % kBoardCols, code_of(t.cell, t.mask)});
        return out;
    }

    std::vector<CellCode> cells_of_sixths(const std::vector<int>& sixths) const {
        std::vector<Taken> taken;
        for (int id : sixths) taken.push_back({id / 6, 1u << (id % 6)});
        return cells_of(taken);
    }

    Random rng_;
    const std::array<SixthNeighbours, kBoardSixths>& neighbours_;
    BoardMatrix initial_;
    unsigned half_masks_[2][6];
    std::array<std::array<std::pair<int, int>, kCells>, 6> turned_;
    std::vector<int> owner_;
    std::vector<unsigned> stamp_;
    unsigned generation_ = 0;
    std::vector<int> area_;
};

}  // namespace

std::string cut_board(std::uint64_t seed, std::vector<std::vector<CellCode>>& pieces, CutStats* stats) {
    CutStats local;
    auto cutter = std::make_unique<Cutter>(seed);
    return cutter->run(pieces, stats ? *stats : local);
}

}  // namespace tessera::tools
