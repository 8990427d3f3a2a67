// tessera-png PLACEMENT PIECES OUTPUT.png: the PNG half of `tessera render`, which checks the
// placement first and then runs this beside itself.
#include <cstdio>
#include <string>

#include "draw/png_output.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: tessera-png PLACEMENT PIECES OUTPUT.png (run by tessera render)\n");
        return 2;
    }
    std::string why;
    if (tessera::cli::draw_placement_png(argv[1], argv[2], argv[3], &why)) return 0;
    std::fprintf(stderr, "%s\n", why.c_str());
    return 1;
}
