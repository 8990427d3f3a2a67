#include "fuzz/fuzz_support.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "board/board.h"
#include "board/cell_codes.h"

namespace tessera::fuzz {

namespace {

std::string g_work_dir;

void remove_work_dir() {
    if (g_work_dir.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(g_work_dir, ec);
}

}  // namespace

void fail(const char* fmt, ...) {
    std::va_list args;
    va_start(args, fmt);
    std::fputs("fuzz check failed: ", stderr);
    std::vfprintf(stderr, fmt, args);
    std::fputc('\n', stderr);
    va_end(args);
    std::abort();
}

void enter_work_dir() {
    if (!g_work_dir.empty()) return;
    const bool shm = ::access("/dev/shm", W_OK) == 0;
    std::string templ = shm ? "/dev/shm/tessera-fuzz-XXXXXX"
                            : (std::filesystem::temp_directory_path() / "tessera-fuzz-XXXXXX").string();
    if (!::mkdtemp(templ.data())) fail("cannot make a working directory %s", templ.c_str());
    if (::chdir(templ.c_str()) != 0) fail("cannot enter %s", templ.c_str());
    g_work_dir = templ;
    std::atexit(remove_work_dir);
}

void write_input(const char* name, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(name, "wb");
    if (!f) fail("cannot write %s", name);
    if (size > 0 && std::fwrite(data, 1, size, f) != size) fail("cannot write %s", name);
    if (std::fclose(f) != 0) fail("cannot close %s", name);
}

void write_input(const char* name, std::string_view text) {
    write_input(name, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void remove_files_except(std::initializer_list<const char*> keep) {
    DIR* dir = ::opendir(".");
    if (!dir) fail("cannot list the working directory");
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        bool kept = false;
        for (const char* k : keep) kept = kept || std::strcmp(name, k) == 0;
        if (!kept) ::unlink(name);
    }
    ::closedir(dir);
}

std::string_view fixed_pieces() {
    return "1 1 1 100\n1 1 2 100\n1 1 3 100\n1 2 2 100\n1 2 3 100\n1 2 4 100\n2 1 1 100\n2 2 1 100\n"
           "2 2 2 100\n2 2 3 80\n2 1 2 100\n2 1 3 15\n3 1 1 100\n3 1 4 100\n3 2 3 100\n4 1 2 100\n"
           "4 1 4 100\n4 2 1 100\n4 2 4 100\n5 1 2 100\n5 1 4 100\n5 2 1 100\n5 2 4 100\n6 1 1 100\n"
           "6 1 3 100\n6 1 4 100\n6 2 2 100\n7 1 2 100\n7 1 3 100\n7 2 1 100\n7 2 2 100\n8 1 1 100\n"
           "8 1 2 100\n8 2 2 100\n8 2 3 100\n8 2 4 100\n9 1 4 100\n9 2 1 100\n9 2 2 100\n9 2 3 100\n"
           "9 2 4 100\n10 1 1 100\n10 1 2 100\n10 1 3 100\n10 2 2 100\n10 2 4 100\n11 1 3 100\n"
           "11 1 4 100\n11 2 3 100\n11 2 4 100\n12 1 2 100\n12 1 3 100\n12 1 4 100\n12 2 3 100\n"
           "12 2 4 100\n13 1 2 100\n13 1 3 100\n13 2 4 100\n14 1 1 100\n14 1 4 100\n14 2 1 100\n"
           "14 2 4 100\n15 1 1 100\n15 1 3 100\n15 1 4 100\n15 2 2 100\n16 1 1 100\n16 1 2 100\n"
           "16 1 3 100\n16 1 4 100\n16 2 4 100\n17 1 1 100\n17 1 3 100\n17 2 1 100\n17 2 3 100\n"
           "17 2 4 100\n18 1 1 100\n18 1 2 100\n18 1 3 100\n18 2 1 100\n19 1 1 100\n19 1 2 100\n"
           "19 2 1 100\n19 2 2 100\n19 2 4 100\n20 1 2 100\n20 1 3 100\n20 2 1 100\n21 1 2 100\n"
           "21 1 3 100\n21 1 4 100\n21 2 2 100\n22 1 2 100\n22 1 3 100\n22 1 4 100\n22 2 1 100\n"
           "22 2 2 100\n23 1 1 100\n23 1 3 100\n23 1 4 100\n24 1 2 100\n24 2 1 100\n24 2 2 100\n"
           "25 1 1 100\n25 1 2 100\n25 1 4 100\n25 2 2 100\n25 2 3 100\n26 1 1 100\n26 1 3 100\n"
           "26 2 1 100\n26 2 3 100\n27 1 1 100\n27 1 3 100\n27 1 4 100\n27 2 1 100\n27 2 2 100\n"
           "28 1 2 100\n28 1 4 100\n28 2 3 100\n28 2 4 100\n29 1 1 100\n29 1 2 100\n29 1 3 100\n"
           "29 2 1 100\n30 1 1 100\n30 1 4 100\n30 2 4 100\n31 1 1 100\n31 1 3 100\n31 1 4 100\n"
           "31 2 2 100\n31 2 3 100\n32 1 1 100\n32 1 4 100\n32 2 2 100\n32 2 3 100\n32 2 4 100\n"
           "33 1 1 100\n33 1 2 100\n33 1 3 100\n33 2 2 100\n34 1 2 100\n34 2 2 100\n34 2 3 100\n"
           "34 2 4 100\n35 1 1 100\n35 2 1 100\n35 2 4 100\n36 1 1 100\n36 1 3 100\n36 2 1 100\n"
           "36 2 3 100\n37 1 2 100\n37 1 3 100\n37 1 4 100\n37 2 4 100\n38 1 2 100\n38 1 4 100\n"
           "38 2 1 100\n38 2 3 100\n39 1 2 100\n39 1 3 100\n39 1 4 100\n39 2 2 100\n40 1 2 100\n"
           "40 2 1 100\n40 2 2 100\n40 2 3 100\n";
}

void check_state(const Solver& solver) {
    const SolverState& s = solver.state();
    if (s.depth < 0 || s.depth > kPieceCount) fail("depth %d", s.depth);
    if (s.open_count < 0 || s.open_count > kMaxSpots) fail("open_count %d", s.open_count);

    BoardMatrix board;
    fill_initial_board(board);
    int used[kPieceCount + 1] = {};
    for (int i = 1; i <= s.depth; ++i) {
        const Placement& e = s.reseni[i];
        if (e.piece < 1 || e.piece > kPieceCount) fail("stack entry %d holds piece %d", i, e.piece);
        if (e.orientation < 1 || e.orientation > kOrientations) fail("stack entry %d has orientation %d", i, e.orientation);
        if (used[e.piece]++ != 0) fail("piece %d is stacked twice", e.piece);
        const PieceRecord& rec = s.prvky[e.piece][e.orientation];
        for (int r = rec.anchor_row; r <= 6; ++r)
            for (int c = 1; c <= 10; ++c) {
                if (rec.cells[r][c] == 0) continue;
                const int x = e.row + r - rec.anchor_row, y = e.col + c - rec.anchor_col;
                if (!on_board(x, y)) fail("piece %d has a cell off the board at %d,%d", e.piece, x, y);
                board[x][y] += rec.cells[r][c];
            }
    }
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y) {
            if (board[x][y] != s.matice[x][y])
                fail("board cell %d,%d holds %d, the stack makes %d", x, y, s.matice[x][y], board[x][y]);
            const int v = board[x][y];
            if (v != 0 && v != kFull && !is_half(v)) fail("board cell %d,%d holds %d", x, y, v);
        }
    for (int p = 0; p <= kPieceCount; ++p)
        if (used[p] != s.piece_used[p]) fail("flag of piece %d is %d", p, s.piece_used[p]);
    for (int i = s.depth + 1; i <= kPieceCount; ++i)
        if (s.reseni[i].piece != 0) fail("stack entry %d past the depth holds piece %d", i, s.reseni[i].piece);
    for (int i = 1; i <= s.open_count; ++i)
        if (s.volny[i].kind < 1 || s.volny[i].kind > kKinds) fail("open spot %d has kind %d", i, s.volny[i].kind);
    for (int i = s.open_count + 1; i < kSpotSlots; ++i)
        if (s.volny[i].kind != 0 || s.volny[i].owner != 0) fail("open spot %d lies past the count %d", i, s.open_count);
}

void check_reloads(Solver& solver, const char* name) {
    SolverState& s = solver.state();
    const i32 depth = s.depth;
    Placement stack[kPieceCount + 1];
    std::memcpy(stack, s.reseni, sizeof stack);
    BoardMatrix board;
    std::memcpy(board, s.matice, sizeof board);
    if (solver.nacti_reseni(name) != 0) fail("%s, written by the program, does not load", name);
    if (s.depth != depth) fail("%s loads %d placements, the stack held %d", name, s.depth, depth);
    if (std::memcmp(stack, s.reseni, sizeof stack) != 0) fail("%s loads another stack", name);
    if (std::memcmp(board, s.matice, sizeof board) != 0) fail("%s loads another board", name);
    check_state(solver);
}

}  // namespace tessera::fuzz
