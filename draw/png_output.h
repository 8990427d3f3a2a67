// PNG pictures of a board, drawn by the same painter as the window's board view. The painter
// needs Qt, whose libraries take longer to load than a short search runs, so `tessera` itself
// does not link them: it hands a PNG picture to its twin `tessera-png`, installed beside it.
#pragma once

#include <string>

namespace tessera::cli {

// Draws a placement file that has been checked to be valid, with its pieces, into a PNG file in
// the working directory; false with `why` set on failure.
bool draw_placement_png(const std::string& placement, const std::string& pieces, const std::string& output,
                        std::string* why);

}  // namespace tessera::cli
