// Without Qt there is no painter for PNG pictures; SVG is always at hand.
#include "draw/png_output.h"

namespace tessera::cli {

bool draw_placement_png(const PngRequest&, std::string* why) {
    if (why) *why = "this build has no PNG output (it was built without Qt); write an .svg file";
    return false;
}

}  // namespace tessera::cli
