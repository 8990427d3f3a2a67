#include "solve/sat_encoding.h"

#include <algorithm>

namespace tessera::solve {

namespace {

int half_start(std::uint32_t mask) {
    for (int k = 0; k < 6; ++k)
        if (half_mask(k) == mask) return k;
    return -1;
}

class Encoder {
public:
    Encoder(const Problem& p, const EncodingOptions& o, ClauseSink& sink) : p_(p), o_(o), sink_(sink) {
        size_.row_vars = static_cast<int>(p.rows.size());
        size_.vars = size_.row_vars;
    }

    EncodingSize run() {
        if (p_.area_mismatch()) {
            emit({});
            return size_;
        }
        for (std::size_t cell = 0; cell < p_.cell_row.size() && size_.complete; ++cell) {
            size_.complete = !sink_.abandon();
            if (size_.complete) cell_clauses(cell);
        }
        for (std::size_t cls = 0; cls < p_.classes.size() && size_.complete; ++cls) {
            size_.complete = !sink_.abandon();
            if (size_.complete) shape_clauses(cls);
        }
        return size_;
    }

private:
    int fresh() { return ++size_.vars; }

    void emit(const std::vector<int>& c) {
        sink_.clause(c);
        ++size_.clauses;
        size_.literals += c.size();
    }
    void emit2(int a, int b) {
        pair_[0] = a;
        pair_[1] = b;
        emit(pair_);
    }

    void at_most_one(const std::vector<int>& lits) {
        if (lits.size() <= 1) return;
        if (lits.size() <= 4 || o_.at_most_one == AtMostOne::Pairwise) return pairwise(lits);
        if (o_.at_most_one == AtMostOne::Sequential) return ladder(lits);
        commander(lits);
    }
    void pairwise(const std::vector<int>& lits) {
        for (std::size_t i = 0; i < lits.size(); ++i)
            for (std::size_t j = i + 1; j < lits.size(); ++j) emit2(-lits[i], -lits[j]);
    }
    // s_i: one of the first i literals holds.
    void ladder(const std::vector<int>& lits) {
        int prev = 0;
        for (std::size_t i = 0; i + 1 < lits.size(); ++i) {
            const int s = fresh();
            emit2(-lits[i], s);
            if (prev != 0) {
                emit2(-prev, s);
                emit2(-prev, -lits[i]);
            }
            prev = s;
        }
        emit2(-prev, -lits.back());
    }
    void commander(const std::vector<int>& lits) {
        std::vector<int> heads;
        std::vector<int> group;
        for (std::size_t i = 0; i < lits.size(); i += 3) {
            group.assign(lits.begin() + static_cast<std::ptrdiff_t>(i),
                         lits.begin() + static_cast<std::ptrdiff_t>(std::min(lits.size(), i + 3)));
            pairwise(group);
            const int head = fresh();
            for (int l : group) emit2(-l, head);
            heads.push_back(head);
        }
        at_most_one(heads);
    }

    // A literal that holds exactly when one of the rows lays the unit, and at most one does.
    // 0 when no row can lay it. `exact`: the literal also implies a row (it is relied on).
    int unit_literal(const std::vector<int>& rows, bool exact) {
        if (rows.empty()) return 0;
        at_most_one(rows);
        if (rows.size() == 1) return rows[0];
        const int x = fresh();
        for (int r : rows) emit2(-r, x);
        if (exact) {
            clause_ = rows;
            clause_.push_back(-x);
            emit(clause_);
        }
        return x;
    }

    // The rows that lay each unit of the cell: the whole cell, or the half from sixth k.
    void gather(std::size_t cell) {
        whole_.clear();
        for (auto& h : halves_) h.clear();
        for (std::uint32_t i = p_.cell_list_start[cell]; i < p_.cell_list_start[cell + 1]; ++i) {
            const ListEntry& e = p_.cell_lists[i];
            const int lit = static_cast<int>(e.row) + 1;
            if (e.mask == kWholeMask) {
                whole_.push_back(lit);
            } else {
                const int k = half_start(e.mask);
                if (k >= 0) halves_[k].push_back(lit);
            }
        }
    }

    void cell_clauses(std::size_t cell) {
        gather(cell);
        const bool primary = p_.primary_mask[cell] != 0;
        const std::uint32_t free = p_.free_mask[cell];
        if (free != kWholeMask) {
            // One half left: only its own placements fit there.
            const int k = half_start(free);
            if (k < 0) return;
            at_most_one(halves_[k]);
            if (primary) emit(halves_[k]);
            return;
        }
        std::vector<int> modes;  // whole, or one direction of cut with both halves
        if (const int w = unit_literal(whole_, primary)) modes.push_back(w);
        for (int d = 0; d < 3; ++d) {
            const int a = unit_literal(halves_[d], primary);
            const int b = unit_literal(halves_[d + 3], primary);
            if (const int m = direction(a, b, primary)) modes.push_back(m);
        }
        pairwise(modes);
        if (primary) emit(modes);
    }

    // A literal for "the cell is cut this way": in the goal both halves or neither, elsewhere
    // either or both.
    int direction(int a, int b, bool primary) {
        if (primary) {
            if (a == 0 || b == 0) {
                if (a != 0 || b != 0) emit({-(a != 0 ? a : b)});
                return 0;
            }
            emit2(-a, b);
            emit2(-b, a);
            return a;
        }
        if (a == 0 || b == 0) return a != 0 ? a : b;
        const int y = fresh();
        emit2(-a, y);
        emit2(-b, y);
        return y;
    }

    void shape_clauses(std::size_t cls) {
        const int n = static_cast<int>(p_.classes[cls].members.size());
        std::vector<int> rows;
        for (std::uint32_t i = p_.class_list_start[cls]; i < p_.class_list_start[cls + 1]; ++i)
            rows.push_back(static_cast<int>(p_.class_lists[i].row) + 1);
        const bool exactly = o_.shape_count == ShapeCount::Exactly && !p_.region.limited;
        if (static_cast<int>(rows.size()) <= n && !exactly) return;
        if (o_.shape_count == ShapeCount::AtMost) return sequential_counter(rows, n);
        const std::vector<int> out = totalizer(rows, n + 1, exactly);
        if (static_cast<int>(out.size()) > n) emit({-out[n]});
        if (exactly) {
            if (static_cast<int>(out.size()) < n) emit({});
            else if (n > 0) emit({out[n - 1]});
        }
    }

    // Sinz's counter: s[i][j] holds when at least j + 1 of the first i + 1 rows are placed.
    void sequential_counter(const std::vector<int>& x, int n) {
        if (n == 0) {
            for (int l : x) emit({-l});
            return;
        }
        std::vector<int> prev(n), cur(n);
        for (std::size_t i = 0; i + 1 < x.size(); ++i) {
            for (int j = 0; j < n; ++j) cur[j] = fresh();
            emit2(-x[i], cur[0]);
            if (i == 0) {
                for (int j = 1; j < n; ++j) emit({-cur[j]});
            } else {
                for (int j = 0; j < n; ++j) emit2(-prev[j], cur[j]);
                for (int j = 1; j < n; ++j) emit({-x[i], -prev[j - 1], cur[j]});
                emit2(-x[i], -prev[n - 1]);
            }
            std::swap(prev, cur);
        }
        emit2(-x.back(), -prev[n - 1]);
    }

    // Unary count of the inputs, cut at `cap`: out[j] holds when at least j + 1 inputs do (and,
    // with `both`, only then).
    std::vector<int> totalizer(const std::vector<int>& x, int cap, bool both) {
        if (x.size() <= 1) return x;
        const std::size_t half = x.size() / 2;
        const std::vector<int> a = totalizer({x.begin(), x.begin() + static_cast<std::ptrdiff_t>(half)}, cap, both);
        const std::vector<int> b = totalizer({x.begin() + static_cast<std::ptrdiff_t>(half), x.end()}, cap, both);
        const int na = static_cast<int>(a.size()), nb = static_cast<int>(b.size());
        std::vector<int> out(std::min(na + nb, cap));
        for (int& v : out) v = fresh();
        const int m = static_cast<int>(out.size());
        // i of a and j of b (0: none) give at least i + j.
        for (int i = 0; i <= na; ++i)
            for (int j = 0; j <= nb; ++j) {
                if (i + j == 0) continue;
                clause_.clear();
                if (i > 0) clause_.push_back(-a[i - 1]);
                if (j > 0) clause_.push_back(-b[j - 1]);
                clause_.push_back(out[std::min(i + j, m) - 1]);
                emit(clause_);
            }
        if (both) {
            // Fewer than i + 1 of a and fewer than j + 1 of b give fewer than i + j + 1.
            for (int i = 0; i <= na; ++i)
                for (int j = 0; j <= nb; ++j) {
                    if (i + j >= m) continue;
                    clause_.clear();
                    if (i < na) clause_.push_back(a[i]);
                    if (j < nb) clause_.push_back(b[j]);
                    clause_.push_back(-out[i + j]);
                    emit(clause_);
                }
        }
        return out;
    }

    const Problem& p_;
    const EncodingOptions& o_;
    ClauseSink& sink_;
    EncodingSize size_;
    std::vector<int> pair_ = std::vector<int>(2);
    std::vector<int> clause_;
    std::vector<int> whole_;
    std::vector<int> halves_[6];
};

}  // namespace

EncodingSize encode_units(const Problem& problem, const EncodingOptions& options, ClauseSink& sink) {
    return Encoder(problem, options, sink).run();
}

}  // namespace tessera::solve
