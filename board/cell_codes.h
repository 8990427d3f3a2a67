// Cell codes of the triangle lattice: 0 empty, 100 full, and twelve half codes. Halves x and
// 100 - x complete each other.
#pragma once

namespace tessera {

// In a piece grid a cell whose row + column is even points up; on the board it is the other
// way round, so every placement moves a piece by an odd sum of row and column offsets.
constexpr bool grid_cell_points_up(int row, int col) { return ((row + col) & 1) == 0; }
constexpr bool board_cell_points_up(int row, int col) { return ((row + col) & 1) != 0; }

constexpr bool is_up_half(int code) {
    return code == 5 || code == 15 || code == 25 || code == 75 || code == 85 || code == 95;
}
constexpr bool is_down_half(int code) {
    return code == 10 || code == 20 || code == 30 || code == 70 || code == 80 || code == 90;
}
constexpr bool is_half(int code) { return is_up_half(code) || is_down_half(code); }

// Whether a code may stand in a cell pointing up (or down): 0, 100 or a half of that direction.
constexpr bool code_fits(int code, bool points_up) {
    return code == 0 || code == 100 || (points_up ? is_up_half(code) : is_down_half(code));
}

// A half turned by 60 degrees counterclockwise, k times; 0 and 100 stay.
constexpr int turn_code(int code, int k) {
    if (code == 0 || code == 100) return code;
    if (code < 50) {
        int t = code + 5 * k;
        return t > 30 ? t - 30 : t;
    }
    int t = code - 5 * k;
    return t < 70 ? t + 30 : t;
}

}  // namespace tessera
