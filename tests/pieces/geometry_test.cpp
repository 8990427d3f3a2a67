// The orientation records checked against the geometry of the lattice rather than against the
// tables they were made from: each orientation must be a true turn of the file's shape, half
// cells included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

#include "board/cell_codes.h"
#include "test_support.h"

namespace tessera {
namespace {

const double H = std::sqrt(3.0);  // a row's height, in half edge lengths

struct Point {
    double x, y;  // y grows downward, as rows do
};

Point mid(Point a, Point b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }
Point centroid(Point a, Point b, Point c) { return {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3}; }

// The centre of the part of grid cell (r, c) that `code` covers.
Point part_centre(int r, int c, int code) {
    if (grid_cell_points_up(r, c)) {
        const Point t{double(c), r * H}, bl{c - 1.0, (r + 1) * H}, br{c + 1.0, (r + 1) * H};
        switch (code) {
            case 100: return centroid(t, bl, br);
            case 5: return centroid(t, bl, mid(bl, br));
            case 15: return centroid(bl, br, mid(t, br));
            case 25: return centroid(br, t, mid(t, bl));
            case 75: return centroid(br, bl, mid(t, bl));
            case 85: return centroid(bl, t, mid(t, br));
            case 95: return centroid(t, br, mid(bl, br));
        }
    } else {
        const Point ul{c - 1.0, r * H}, ur{c + 1.0, r * H}, b{double(c), (r + 1) * H};
        switch (code) {
            case 100: return centroid(ul, ur, b);
            case 10: return centroid(ul, b, mid(ur, b));
            case 20: return centroid(b, ur, mid(ul, ur));
            case 30: return centroid(ur, ul, mid(ul, b));
            case 70: return centroid(ur, b, mid(ul, b));
            case 80: return centroid(b, ul, mid(ul, ur));
            case 90: return centroid(ul, ur, mid(ur, b));
        }
    }
    ADD_FAILURE() << "code " << code << " does not fit cell " << r << "," << c;
    return {};
}

// Counterclockwise as drawn, with row 0 at the top.
Point turn(Point p, Point centre, int sixths) {
    const double a = sixths * M_PI / 3;
    const double dx = p.x - centre.x, dy = p.y - centre.y;
    return {centre.x + dx * std::cos(a) + dy * std::sin(a), centre.y - dx * std::sin(a) + dy * std::cos(a)};
}

using Part = std::tuple<int, int, int>;  // row, col, code

// The grid cell and code whose covered part has its centre at p.
Part part_at(Point p) {
    for (int r = -4; r <= 12; ++r)
        for (int c = -4; c <= 16; ++c)
            for (int code : {100, 5, 15, 25, 75, 85, 95, 10, 20, 30, 70, 80, 90}) {
                if (!code_fits(code, grid_cell_points_up(r, c))) continue;
                const Point q = part_centre(r, c, code);
                if (std::abs(q.x - p.x) < 1e-6 && std::abs(q.y - p.y) < 1e-6) return {r, c, code};
            }
    ADD_FAILURE() << "no cell part at " << p.x << "," << p.y;
    return {};
}

class GeometryTest : public test::SolverTest {};

// The turns that make orientations 2..6, each about its own centre.
TEST_F(GeometryTest, EveryCellAndHalfOfTheTurningBoxTurnsRigidly) {
    start_up("");
    const Point centres[7] = {{}, {}, {7, 3 * H}, {6, 3 * H + H / 3}, {5, 3 * H}, {5, 3 * H + 2 * H / 3}, {4, 4 * H}};
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 8; ++c)
            for (int code : {100, 5, 15, 25, 75, 85, 95, 10, 20, 30, 70, 80, 90}) {
                if (!code_fits(code, grid_cell_points_up(r, c))) continue;
                s().prvky[1][1] = PieceRecord{};
                s().prvky[1][1].cells[r][c] = code;
                for (int o = 2; o <= 6; ++o) {
                    const auto [er, ec, ecode] = part_at(turn(part_centre(r, c, code), centres[o], o - 1));
                    const PieceRecord turned = solver->napln_prvek(1, o);
                    ASSERT_EQ(turned.cells[er][ec], ecode)
                        << "cell " << r << "," << c << " code " << code << " orientation " << o;
                    ASSERT_EQ(test::occupied(turned).size(), 1u);
                }
            }
}

// Parts of a record as points, moved so that the first (in a fixed order) lies at the origin.
std::vector<std::tuple<long, long, bool>> normalised(std::vector<std::pair<Point, bool>> parts) {
    const auto before = [](const auto& a, const auto& b) {
        if (std::abs(a.first.y - b.first.y) > 1e-6) return a.first.y < b.first.y;
        return a.first.x < b.first.x;
    };
    const Point origin = std::min_element(parts.begin(), parts.end(), before)->first;
    std::vector<std::tuple<long, long, bool>> out;
    for (const auto& [p, whole] : parts)
        out.emplace_back(std::lround((p.x - origin.x) * 1000), std::lround((p.y - origin.y) * 1000), whole);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::pair<Point, bool>> parts_of(const PieceRecord& rec, int sixths) {
    std::vector<std::pair<Point, bool>> out;
    for (const auto& [r, c] : test::occupied(rec))
        out.emplace_back(turn(part_centre(r, c, rec.cells[r][c]), {0, 0}, sixths), rec.cells[r][c] == 100);
    return out;
}

// Random shapes in the turning box: the six stored records are the first one turned and moved.
TEST_F(GeometryTest, TheSixRecordsOfAPieceAreCongruent) {
    std::mt19937 rng(7);
    std::vector<test::Cell> cells;
    for (int p = 1; p <= 60; ++p) {
        const int n = 1 + static_cast<int>(rng() % 7);
        for (int i = 0; i < n; ++i) {
            const int r = 1 + static_cast<int>(rng() % 3), c = 1 + static_cast<int>(rng() % 5);
            static const int up[] = {100, 5, 15, 25, 75, 85, 95}, down[] = {100, 10, 20, 30, 70, 80, 90};
            const int* codes = grid_cell_points_up(r, c) ? up : down;
            cells.push_back({p, r, c, codes[rng() % 7]});
        }
    }
    testing::internal::CaptureStderr();
    start_up(cells);
    testing::internal::GetCapturedStderr();
    int checked = 0;
    for (int p = 1; p <= 60; ++p) {
        if (test::occupied(record(p, 1)).empty()) continue;  // a shape that does not fit
        ++checked;
        for (int o = 2; o <= 6; ++o)
            EXPECT_EQ(normalised(parts_of(record(p, o), 0)), normalised(parts_of(record(p, 1), o - 1)))
                << "piece " << p << " orientation " << o;
    }
    EXPECT_GT(checked, 40);
}

TEST_F(GeometryTest, SixTurnsOfACodeGiveItBack) {
    for (int code : {5, 15, 25, 75, 85, 95, 10, 20, 30, 70, 80, 90}) {
        int c = code;
        for (int k = 0; k < 6; ++k) {
            c = turn_code(c, 1);
            EXPECT_NE(is_up_half(c), is_up_half(turn_code(c, 1)));
        }
        EXPECT_EQ(c, code);
    }
}

}  // namespace
}  // namespace tessera
