// tessera-png PLACEMENT PIECES OUTPUT.png [--spots]: the PNG half of `tessera render`, which
// checks the placement and the output first and then runs this beside itself.
#include <cstdio>
#include <cstring>
#include <string>

#include "draw/png_output.h"

int main(int argc, char** argv) {
    const bool spots = argc == 5 && std::strcmp(argv[4], "--spots") == 0;
    if (argc != 4 && !spots) {
        std::fprintf(stderr, "usage: tessera-png PLACEMENT PIECES OUTPUT.png [--spots] (run by tessera render)\n");
        return 2;
    }
    std::string why;
    if (tessera::cli::draw_placement_png({argv[1], argv[2], argv[3], spots}, &why)) return 0;
    if (!why.empty()) std::fprintf(stderr, "-o %s: %s\n", argv[3], why.c_str());
    return 1;
}
