#include "solve/tilt.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "board/cell_codes.h"

namespace tessera::solve {

Tilt::Tilt(const Problem& p) : row_(p.rows.size()), cell_sign_(p.cell_row.size()), size_(p.classes.size(), -1) {
    for (std::size_t i = 0; i < cell_sign_.size(); ++i) {
        cell_sign_[i] = board_cell_points_up(p.cell_row[i], p.cell_col[i]) ? 1 : -1;
        start_ += of_cell(static_cast<std::int32_t>(i), p.primary_mask[i]);
    }
    usable_ = !p.region.limited;
    for (std::size_t i = 0; i < p.rows.size(); ++i) {
        const Row& r = p.rows[i];
        for (std::uint32_t k = 0; k < r.count; ++k)
            row_[i] += of_cell(p.row_cells[r.first + k].cell, p.row_cells[r.first + k].mask);
        std::int32_t& size = size_[r.cls];
        if (size >= 0 && size != std::abs(row_[i])) usable_ = false;
        size = std::abs(row_[i]);
    }
    for (std::size_t c = 0; c < size_.size(); ++c)
        if (size_[c] > 0) tilted_.push_back(static_cast<std::int32_t>(c));
    std::sort(tilted_.begin(), tilted_.end(), [&](std::int32_t a, std::int32_t b) { return size_[a] > size_[b]; });
}

std::int32_t Tilt::of_cell(std::int32_t cell, std::uint32_t sixths) const {
    return cell_sign_[cell] * sixths_in(sixths);
}

// Turning one piece over changes the sum by twice its size, a multiple of twice the common
// divisor: the sum of all, less `tilt`, must be such a multiple and no more than twice the sum.
bool Tilt::all_can_make(std::int64_t tilt, const std::vector<std::int32_t>& class_free) const {
    std::int64_t sum = 0, divisor = 0;
    for (std::int32_t c : tilted_)
        if (class_free[c] > 0) {
            sum += std::int64_t{class_free[c]} * size_[c];
            divisor = std::gcd(divisor, std::int64_t{size_[c]});
        }
    if (divisor == 0) return tilt == 0;
    return std::abs(tilt) <= sum && (sum - tilt) % (2 * divisor) == 0;
}

bool Tilt::some_can_make(std::int64_t tilt, std::int64_t pieces, const std::vector<std::int32_t>& class_free) const {
    std::int64_t most = 0, divisor = 0;
    for (std::int32_t c : tilted_) {
        if (class_free[c] == 0) continue;
        divisor = std::gcd(divisor, std::int64_t{size_[c]});
        const std::int64_t taken = std::min<std::int64_t>(pieces, class_free[c]);
        most += taken * size_[c];
        pieces -= taken;
    }
    if (divisor == 0) return tilt == 0;
    return std::abs(tilt) <= most && tilt % divisor == 0;
}

}  // namespace tessera::solve
