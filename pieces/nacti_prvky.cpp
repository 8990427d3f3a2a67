// The piece source file: groups of four integers (piece, row, column, code), one cell each,
// read once at start-up into the catalogue of six orientation records per piece.
#include <cstdio>
#include <cstring>

#include "app/solver.h"
#include "board/cell_codes.h"
#include "pieces/number_reader.h"

namespace tessera {

namespace {

// Why a group cannot be stored, or nullptr when it can. `what` names the offending value.
const char* group_fault(const std::int64_t v[4], int* what) {
    if (!in_range(v[0], 1, kPieceCount)) return *what = 0, "piece is not in 1..209";
    if (!in_range(v[1], 0, kGridRows - 1)) return *what = 1, "row is not in 0..6";
    if (!in_range(v[2], 0, kGridCols - 1)) return *what = 2, "column is not in 0..10";
    const bool up = grid_cell_points_up(static_cast<int>(v[1]), static_cast<int>(v[2]));
    if (!in_range(v[3], 0, 100) || !code_fits(static_cast<int>(v[3]), up))
        return *what = 3, up ? "code is not 0, 100 or a half of an up-pointing cell (5, 15, 25, 75, 85, 95)"
                             : "code is not 0, 100 or a half of a down-pointing cell (10, 20, 30, 70, 80, 90)";
    return nullptr;
}

// Reads every group of the file into the raw shapes (record (p, 1) of each piece). Stops at a
// token that is not a number or at a group cut off by the end of the file. Returns false when
// the file could not be read.
bool read_groups(std::FILE* file, const char* path, PieceRecord (*prvky)[kOrientations + 1], FileNotes& notes) {
    NumberReader reader(file);
    for (;;) {
        std::int64_t v[4];
        long line[4];
        for (int i = 0; i < 4; ++i) {
            const NumberReader::Status st = reader.next();
            if (st == NumberReader::Status::Error) {
                std::fprintf(stderr, "Nemohu otevrit zdrojovy soubor: '%s' (%s)\n", path, std::strerror(reader.error()));
                return false;
            }
            if (st == NumberReader::Status::End) {
                if (i > 0)
                    notes.add("%s:%ld: the file ends inside a group of four numbers; that group is not read", path,
                              line[0]);
                return true;
            }
            if (st == NumberReader::Status::NotNumber) {
                notes.add("%s:%ld: '%s' is not a number; reading stops here", path, reader.line(), reader.token());
                return true;
            }
            v[i] = reader.value();
            line[i] = reader.line();
        }
        int what = 0;
        if (const char* fault = group_fault(v, &what)) {
            notes.add("%s:%ld: %lld: %s; the group is skipped", path, line[what], static_cast<long long>(v[what]),
                      fault);
            continue;
        }
        PieceRecord& raw = prvky[v[0]][1];
        raw.cells[v[1]][v[2]] = static_cast<i32>(v[3]);
        raw.number = static_cast<i32>(v[0]);
    }
}

// Cells of the file grid outside rows 1..4 and columns 1..8 do not turn with the piece.
bool has_cells_outside_turning_box(const PieceRecord& raw) {
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c)
            if (raw.cells[r][c] != 0 && (r < 1 || r > 4 || c < 1 || c > 8)) return true;
    return false;
}

}  // namespace

// Start-up asks this of every record several times, and most records of a short file are
// empty; the reads lie within one record, so the sanitizer builds need not check each of them.
__attribute__((no_sanitize("address", "undefined"))) bool has_cells(const PieceRecord& record) {
    i32 any = 0;
    for (const auto& row : record.cells)
        for (const i32 cell : row) any |= cell;
    return any != 0;
}

int Solver::nacti_prvky() {
    const auto clear_grids = [this] {
        for (auto& piece : s_.prvky)
            for (PieceRecord& record : piece) std::memset(record.cells, 0, sizeof record.cells);
    };
    clear_grids();
    notes_.begin();

    std::string reason;
    std::FILE* file = open_number_file(pieces_path_.c_str(), reason);
    if (!file) {
        std::fprintf(stderr, "Nemohu otevrit zdrojovy soubor: '%s'%s%s%s\n", pieces_path_.c_str(),
                     reason.empty() ? "" : " (", reason.c_str(), reason.empty() ? "" : ")");
        return -1;
    }
    const bool read = read_groups(file, pieces_path_.c_str(), s_.prvky, notes_);
    std::fclose(file);
    if (!read) {
        // As for a file that cannot be opened: no record is built from a part of the file.
        clear_grids();
        return -1;
    }

    for (i32 p = 1; p <= kPieceCount; ++p) {
        if (has_cells_outside_turning_box(s_.prvky[p][1]))
            notes_.add("%s: piece %d has cells outside rows 1..4, columns 1..8; they are left out of the turned "
                       "orientations",
                       pieces_path_.c_str(), p);
        build_orientations(p);
    }
    if (!has_pieces()) std::fprintf(stderr, "%s: no piece loads from this file\n", pieces_path_.c_str());
    return 0;
}

bool Solver::has_pieces() const {
    for (i32 p = 1; p <= kPieceCount; ++p)
        if (s_.prvky[p][1].anchor_row != 0) return true;
    return false;
}

namespace {

// Moves the turned shape to its standard place and finds its anchor. Returns false when a cell
// would land outside rows 2..6 and columns 3..10, the part of the grid that the records use.
bool standard_place(const PieceRecord& turned, i32 piece, i32 orientation, PieceRecord& out) {
    out = PieceRecord{};
    out.number = piece;
    out.orientation = orientation;
    int top = -1, left = 11, right = -1;
    for (int r = 1; r <= 6; ++r)
        for (int c = 1; c <= 10; ++c)
            if (turned.cells[r][c] != 0) {
                if (top < 0) top = r;
                if (c < left) left = c;
                if (c > right) right = c;
            }
    if (top < 0) return true;  // empty shape: anchor stays (0, 0)

    int dr, dc;
    if ((top + left) % 2 != 0) {
        dr = 2 - top, dc = 3 - left;
    } else if (right - left >= 5) {
        dr = 3 - top, dc = 3 - left;
    } else {
        dr = 2 - top, dc = 4 - left;
    }
    for (int r = 1; r <= 6; ++r)
        for (int c = 1; c <= 10; ++c) {
            if (turned.cells[r][c] == 0) continue;
            const int nr = r + dr, nc = c + dc;
            if (nr < 2 || nr > 6 || nc < 3 || nc > 10) return false;
            out.cells[nr][nc] = turned.cells[r][c];
        }
    for (int r = 1; r <= 6 && out.anchor_row == 0; ++r)
        for (int c = 1; c <= 10; ++c)
            if (out.cells[r][c] != 0) {
                out.anchor_row = r;
                out.anchor_col = c;
                break;
            }
    return true;
}

}  // namespace

bool Solver::build_orientations(i32 piece) {
    // Record (piece, 1) holds the raw shape until all six are made, so they are made aside first.
    PieceRecord made[kOrientations + 1];
    int misfit = 0;
    // A piece that the file does not give is not turned: most pieces of a short file are such.
    const bool shaped = has_cells(s_.prvky[piece][1]);
    for (i32 o = kOrientations; o >= 1 && shaped; --o)
        if (!standard_place(napln_prvek(piece, o), piece, o, made[o])) misfit = o;
    if (misfit != 0)
        notes_.add("%s: piece %d does not fit the records in orientation %d (a cell lands outside rows 2..6, "
                   "columns 3..10); the piece is left empty",
                   pieces_path_.c_str(), piece, misfit);
    for (i32 o = kOrientations; o >= 1; --o) {
        PieceRecord& record = s_.prvky[piece][o];
        if (shaped && misfit == 0) {
            record = made[o];
            continue;
        }
        record = PieceRecord{};
        record.number = piece;
        record.orientation = o;
    }
    return misfit == 0;
}

}  // namespace tessera
