// The tilt of a set of sixths: those in up-pointing cells less those in down-pointing cells.
// Turning a piece by 60 degrees moves every part of it from up-cells to down-cells and back, so
// all placements of one shape have the same tilt up to its sign. On a full board the sixths left
// to cover must have a tilt that the free pieces can make with some choice of signs: when only a
// few pieces carry tilt, one of them laid the wrong way round shows here at once, not when the
// last of them no longer fits somewhere.
#pragma once

#include <cstdint>
#include <vector>

#include "solve/problem.h"

namespace tessera::solve {

class Tilt {
public:
    explicit Tilt(const Problem& problem);

    // False in a region (pieces may reach out of it) or when the rows of one shape differ in the
    // size of their tilt (a catalogue whose orientations are not turns of one shape).
    bool usable() const { return usable_; }
    std::int32_t of_row(std::uint32_t row) const { return row_[row]; }
    std::int32_t of_cell(std::int32_t cell, std::uint32_t sixths) const;
    // Of the primary sixths at the start.
    std::int64_t at_start() const { return start_; }

    // Whether every free piece together can make `tilt`: their sizes with signs sum to it.
    bool all_can_make(std::int64_t tilt, const std::vector<std::int32_t>& class_free) const;
    // Whether `pieces` of the free pieces can make `tilt`, judged by the largest sizes and their
    // common divisor.
    bool some_can_make(std::int64_t tilt, std::int64_t pieces, const std::vector<std::int32_t>& class_free) const;

private:
    std::vector<std::int32_t> row_;
    std::vector<std::int8_t> cell_sign_;
    std::vector<std::int32_t> size_;    // per class: the size of its rows' tilt
    std::vector<std::int32_t> tilted_;  // classes of a tilt, the largest first
    std::int64_t start_ = 0;
    bool usable_ = false;
};

}  // namespace tessera::solve
