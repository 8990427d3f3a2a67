#include "solve/sat.h"

#include <cadical.hpp>

#include <algorithm>

namespace tessera::solve {

namespace {

std::uint64_t row_key(std::int32_t cls, std::int32_t orientation, std::int32_t row, std::int32_t col) {
    return (static_cast<std::uint64_t>(cls) << 40) | (static_cast<std::uint64_t>(orientation) << 32) |
           (static_cast<std::uint64_t>(row) << 16) | static_cast<std::uint64_t>(col);
}

class Feed : public ClauseSink {
public:
    explicit Feed(CaDiCaL::Solver& s, CaDiCaL::Terminator& stop) : s_(s), stop_(stop) {}
    void clause(const std::vector<int>& literals) override {
        for (int l : literals) s_.add(l);
        s_.add(0);
    }
    bool abandon() override { return (++polls_ & 63) == 0 && stop_.terminate(); }

private:
    CaDiCaL::Solver& s_;
    CaDiCaL::Terminator& stop_;
    unsigned polls_ = 0;
};

int literal(const RowLiteral& l) { return l.placed ? static_cast<int>(l.row) + 1 : -static_cast<int>(l.row) - 1; }

}  // namespace

// The solver and the terminator it polls: the engine's own flag, then the caller's callback.
struct SatEngine::Solver : CaDiCaL::Terminator {
    CaDiCaL::Solver cadical;
    const std::atomic<bool>* requested = nullptr;
    const std::function<bool()>* should_stop = nullptr;
    bool terminate() override { return requested->load() || (*should_stop && (*should_stop)()); }
};

SatEngine::SatEngine(const Problem& problem, const SatOptions& options)
    : p_(problem), o_(options), s_(std::make_unique<Solver>()) {
    s_->requested = &stop_requested_;
    s_->should_stop = &o_.should_stop;
    if (CaDiCaL::Solver::is_valid_configuration(o_.configuration.c_str()))
        s_->cadical.configure(o_.configuration.c_str());
    for (const std::string& option : o_.cadical_options) s_->cadical.set_long_option(option.c_str());
    s_->cadical.set("quiet", 1);
    s_->cadical.set("seed", o_.seed);
    Feed feed(s_->cadical, *s_);
    size_ = encode_units(p_, o_.encoding, feed);
    s_->cadical.connect_terminator(s_.get());
    for (std::uint32_t r = 0; r < p_.rows.size(); ++r) {
        const Row& row = p_.rows[r];
        row_index_.push_back({row_key(row.cls, row.orientation, row.row, row.col), r});
    }
    std::sort(row_index_.begin(), row_index_.end());
}

SatEngine::~SatEngine() { s_->cadical.disconnect_terminator(); }

SatEngine::Result SatEngine::solve(const std::vector<RowLiteral>& assumptions, long conflicts) {
    solution_.clear();
    fault_.clear();
    if (!size_.complete) return Result::Stopped;
    for (const RowLiteral& l : assumptions) s_->cadical.assume(literal(l));
    if (conflicts > 0) s_->cadical.limit("conflicts", static_cast<int>(std::min<long>(conflicts, 1L << 30)));
    const int status = s_->cadical.solve();
    stop_requested_ = false;
    if (status == 20) return Result::NoSolution;
    if (status != 10) return Result::Stopped;
    solution_ = decode();
    fault_ = own_check(solution_);
    if (fault_.empty() && o_.check) fault_ = o_.check(solution_);
    if (!fault_.empty()) {
        solution_.clear();
        return Result::Failed;
    }
    return Result::Solution;
}

// Rows in the problem's order, each given to the next free member of its shape: the walk gives
// a row to the lowest-numbered free piece of its shape at the time it is placed.
Prefix SatEngine::decode() const {
    std::vector<std::size_t> used(p_.classes.size(), 0);
    Prefix out;
    for (std::uint32_t r = 0; r < p_.rows.size(); ++r) {
        if (s_->cadical.val(static_cast<int>(r) + 1) <= 0) continue;
        const Row& row = p_.rows[r];
        const ShapeClass& shape = p_.classes[row.cls];
        const std::size_t index = used[row.cls]++;
        if (index >= shape.members.size()) return {};  // more than the shape has: own_check says so
        out.push_back({shape.members[index], row.row, row.col, shape.orientation_of[index][row.orientation]});
    }
    return out;
}

// The solution against the problem itself: every row of it real, no sixth covered twice, every
// sixth of the goal covered, no shape used more often than it has free pieces (on a full board:
// exactly as often).
std::string SatEngine::own_check(const Prefix& tiling) const {
    std::vector<std::uint32_t> cover(p_.cell_row.size(), 0);
    std::vector<std::size_t> used(p_.classes.size(), 0);
    for (const Placement& e : tiling) {
        const std::int64_t r = row_of(e);
        if (r < 0) return "a placement that is not a row of the problem";
        const Row& row = p_.rows[static_cast<std::size_t>(r)];
        ++used[row.cls];
        for (std::uint32_t k = 0; k < row.count; ++k) {
            const RowCell& rc = p_.row_cells[row.first + k];
            if ((cover[rc.cell] & rc.mask) != 0) return "two placements overlap";
            cover[rc.cell] |= rc.mask;
        }
    }
    for (std::size_t c = 0; c < cover.size(); ++c)
        if ((p_.primary_mask[c] & ~cover[c]) != 0) return "a cell of the goal is left open";
    for (std::size_t c = 0; c < used.size(); ++c) {
        const std::size_t n = p_.classes[c].members.size();
        if (used[c] > n || (!p_.region.limited && used[c] != n)) return "a shape used more often than it has pieces";
    }
    return {};
}

std::int64_t SatEngine::row_of(const Placement& e) const {
    for (std::size_t c = 0; c < p_.classes.size(); ++c) {
        const ShapeClass& shape = p_.classes[c];
        const auto at = std::find(shape.members.begin(), shape.members.end(), e.piece);
        if (at == shape.members.end()) continue;
        const auto& map = shape.orientation_of[static_cast<std::size_t>(at - shape.members.begin())];
        // The lowest orientation of the first member with these cells: the one with rows.
        for (int o = 1; o <= kOrientations; ++o) {
            if (map[o] != e.orientation) continue;
            const std::uint64_t key = row_key(static_cast<std::int32_t>(c), o, e.row, e.col);
            const auto it = std::lower_bound(row_index_.begin(), row_index_.end(), std::make_pair(key, 0u));
            if (it != row_index_.end() && it->first == key) return it->second;
        }
        return -1;
    }
    return -1;
}

void SatEngine::add_clause(const std::vector<RowLiteral>& any_of) {
    for (const RowLiteral& l : any_of) s_->cadical.add(literal(l));
    s_->cadical.add(0);
}

bool SatEngine::block(const Prefix& tiling) {
    std::vector<RowLiteral> clause;
    for (const Placement& e : tiling) {
        const std::int64_t r = row_of(e);
        if (r < 0) return false;
        clause.push_back({static_cast<std::uint32_t>(r), false});
    }
    add_clause(clause);
    return true;
}

}  // namespace tessera::solve
