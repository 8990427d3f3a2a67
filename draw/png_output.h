// PNG pictures of a board, drawn by the same painter as the window's board view. The painter
// needs Qt, whose libraries take longer to load than a short search runs, so `tessera` itself
// does not link them: it hands a PNG picture to its twin `tessera-png`, installed beside it.
#pragma once

#include <string>

namespace tessera::cli {

struct PngRequest {
    std::string placement;  // the placement file, faulty or not
    std::string pieces;     // the piece file
    std::string output;     // the PNG file, already tried to be writable
    bool spots = false;     // the open spots that resuming from the placement leaves
};

// Draws the placement as `tessera render` draws its SVG, into a PNG file; false on failure,
// with `why` set to what went wrong (the end of a line that names the output), or left empty
// when the drawing program has told the user itself.
bool draw_placement_png(const PngRequest& request, std::string* why);

}  // namespace tessera::cli
