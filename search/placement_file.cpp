#include "search/placement_file.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/text.h"
#include "board/board.h"
#include "board/cell_codes.h"
#include "pieces/number_reader.h"
#include "placement/cell_list.h"

namespace tessera {

namespace {

std::string at_line(const char* path, long line, const std::string& what) {
    return format("%s:%ld: %s", path, line, what.c_str());
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string read_placement_file(const char* path, PlacementList& out) {
    out.count = 0;
    std::string reason;
    std::unique_ptr<std::FILE, FileCloser> file(open_number_file(path, reason));
    if (!file && reason.empty()) return format("Predesle reseni nelze nacist ('%s')", path);
    if (!file) return format("Predesle reseni nelze nacist ('%s') (%s)", path, reason.c_str());
    NumberReader reader(file.get());
    for (;;) {
        std::int64_t v[4];
        long first_line = 0;
        for (int i = 0; i < 4; ++i) {
            const NumberReader::Status st = reader.next();
            if (st == NumberReader::Status::Error)
                return format("Predesle reseni nelze nacist ('%s') (%s)", path, std::strerror(reader.error()));
            if (st == NumberReader::Status::End) {
                if (i == 0) return {};
                return at_line(path, first_line, "the file ends inside a group of four numbers");
            }
            if (st == NumberReader::Status::NotNumber)
                return at_line(path, reader.line(), format("'%s' is not a number", reader.token()));
            v[i] = reader.value();
            if (i == 0) first_line = reader.line();
        }
        if (out.count == kPieceCount) return at_line(path, first_line, "more than 209 placements");
        if (!in_range(v[0], 1, kPieceCount))
            return at_line(path, first_line, format("piece %lld is not in 1..209", static_cast<long long>(v[0])));
        if (!in_range(v[3], 1, kOrientations))
            return at_line(path, first_line, format("orientation %lld is not in 1..6", static_cast<long long>(v[3])));
        if (!in_range(v[1], 0, kBoardRows - 1) || !in_range(v[2], 0, kBoardCols - 1))
            return at_line(path, first_line,
                           format("position %lld,%lld is not on the board", static_cast<long long>(v[1]),
                                  static_cast<long long>(v[2])));
        out.entries[out.count] = Placement{static_cast<i32>(v[0]), static_cast<i32>(v[1]), static_cast<i32>(v[2]),
                                           static_cast<i32>(v[3])};
        out.lines[out.count] = first_line;
        ++out.count;
    }
}

std::string resume_fault(const Catalogue& prvky, const char* path,
                             const PlacementList& list) {
    BoardMatrix board;
    fill_initial_board(board);
    long placed_on[kPieceCount + 1] = {};
    for (int n = 0; n < list.count; ++n) {
        const Placement& e = list.entries[n];
        const long line = list.lines[n];
        if (placed_on[e.piece] != 0)
            return at_line(path, line, format("piece %d is placed twice (also on line %ld)", e.piece, placed_on[e.piece]));
        placed_on[e.piece] = line;
        const PieceRecord& rec = prvky[e.piece][e.orientation];
        if (rec.anchor_row == 0)
            return at_line(path, line, format("piece %d has no shape in the piece file", e.piece));
        std::string fault;
        for_each_laid_cell(rec, e.row, e.col, [&](int x, int y, int g) {
            if (!fault.empty()) return;
            const std::string where = format("piece %d puts a cell at %d,%d", e.piece, x, y);
            if (!on_board(x, y)) {
                fault = where + ", outside the board";
                return;
            }
            const int b = board[x][y];
            if (b == kFull)
                fault = where + ", on a full cell";
            else if (b != 0 && b + g != kFull)
                fault = where + format(", where its half %d does not complete the half %d", g, b);
            board[x][y] = b + g;
        });
        if (!fault.empty()) return at_line(path, line, fault);
    }
    return {};
}

std::string wrong_way_note(const Catalogue& prvky, const char* path, const PlacementList& list) {
    int first = -1, others = 0;
    for (int n = 0; n < list.count; ++n) {
        const Placement& e = list.entries[n];
        const PieceRecord& rec = prvky[e.piece][e.orientation];
        // A placement moves every cell by the same offset, so the anchor cell speaks for all.
        if (grid_cell_points_up(rec.anchor_row, rec.anchor_col) == board_cell_points_up(e.row, e.col)) continue;
        if (first < 0)
            first = n;
        else
            ++others;
    }
    if (first < 0) return {};
    const Placement& e = list.entries[first];
    std::string note = format("piece %d at %d,%d lies turned the wrong way, on cells that point the other way", e.piece,
                              e.row, e.col);
    if (others > 0) note += format(" (and %d more pieces after it)", others);
    return at_line(path, list.lines[first], note + "; the file is loaded as it is");
}

std::size_t placement_text(const Placement* reseni, int depth, char* buf) {
    std::size_t len = 0;
    for (int i = 1; i <= depth && i <= kPieceCount; ++i) {
        const Placement& p = reseni[i];
        len += static_cast<std::size_t>(
            std::snprintf(buf + len, 48, "%i %i %i %i\n", p.piece, p.row, p.col, p.orientation));
    }
    return len;
}

}  // namespace tessera
