// Two diagnostic dumps that can be read by eye: the board to "matice.txt" and the open-spot
// list to "volny.txt", each number right-aligned by its number of digits.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/solver.h"
#include "search/atomic_file.h"

namespace tessera {

namespace {

// Blanks before a value: `one` for -9..9, `two` for -99..99, `wide` otherwise (a minus sign
// makes the field one wider).
void append_field(std::string& out, i32 v, int one, int two, int wide) {
    const int blanks = v / 10 == 0 ? one : v / 100 == 0 ? two : wide;
    out.append(static_cast<std::size_t>(blanks), ' ');
    out += std::to_string(v);
}

void write_dump(const char* name, const std::string& text) {
    if (const int err = write_file_atomically(name, text.data(), text.size()))
        std::fprintf(stderr, "Nemohu zapsat vysledny soubor: '%s' (%s)\n", name, std::strerror(err));
}

}  // namespace

void Solver::zapis_matici() {
    std::string text;
    for (int x = 0; x < kBoardRows; ++x) {
        for (int y = 0; y < kBoardCols; ++y) append_field(text, s_.matice[x][y], 3, 2, 1);
        text += '\n';
    }
    write_dump("matice.txt", text);
}

void Solver::zapis_volny() {
    std::string text;
    for (int i = 0; i < kDumpedSpots; ++i) {
        const OpenSpot& e = s_.volny[i];
        append_field(text, e.owner, 3, 2, 1);
        for (const i32 v : {e.kind, e.row, e.col, e.filled}) append_field(text, v, 2, 1, 1);
        append_field(text, e.filler, 3, 2, 1);
        text += '\n';
    }
    write_dump("volny.txt", text);
}

}  // namespace tessera
