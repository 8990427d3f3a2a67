#include "solve/problem.h"

#include <gtest/gtest.h>

namespace tessera::solve {
namespace {

// A shape's cut cells are counted as cells, not sixths, whatever turn its first row lies in; a
// shape with no place on the board has none to count.
TEST(ProblemTest, HalvesOfAShapeCountItsCutCells) {
    Problem p;
    p.cell_row = {0, 0, 0, 0};
    p.cell_col = {0, 1, 2, 3};
    p.primary_mask = {kWholeMask, kWholeMask, kWholeMask, kWholeMask};
    p.classes.resize(4);
    p.row_cells = {{0, kWholeMask},   {1, half_mask(0)}, {2, half_mask(3)},  // shape 0: two halves
                   {0, kWholeMask},   {3, kWholeMask},                       // shape 1: whole cells
                   {1, half_mask(1)}, {2, kWholeMask},                       // shape 3, one turn
                   {2, half_mask(4)}, {3, kWholeMask}};                      // shape 3, another
    p.rows = {{0, 1, 0, 0, 0, 3, 24}, {1, 1, 0, 0, 3, 2, 12}, {3, 1, 0, 1, 5, 2, 9}, {3, 2, 0, 2, 7, 2, 9}};
    build_row_lists(p);
    const struct {
        std::int32_t cls;
        int halves;
    } cases[] = {{0, 2}, {1, 0}, {2, 0}, {3, 1}};
    for (const auto& c : cases) EXPECT_EQ(p.halves_of(c.cls), c.halves) << "shape " << c.cls;
}

}  // namespace
}  // namespace tessera::solve
