// What a problem is built from, named in the files that carry its work (a checkpoint, the
// manifest of a split): the piece file and the resume placement by absolute path and SHA-256,
// and the region's options as given. A later run builds the same problem from them, or says
// which of them is no longer what it was.
#pragma once

#include <string>
#include <vector>

#include "solve/lines.h"
#include "solve/problem.h"

namespace tessera::solve {

struct ProblemSource {
    std::string pieces, pieces_sha256;  // absolute path of the piece file and its hash
    std::string resume, resume_sha256;  // empty when there is no resume placement
    bool limits = false;
    std::vector<std::string> pairs;      // the region's options as given, e.g. "--start 1,18"
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // the region that they make, for the reader
};

// The source of a problem built from these files and options: paths made absolute, each file
// hashed. Empty, or the name of the file that cannot be read again.
std::string describe_source(const std::string& pieces, const std::string& resume, bool limits,
                            std::vector<std::string> pairs, const Region& region, ProblemSource& out);

// Its lines: "pieces HASH PATH", "resume HASH PATH" (when there is one), "limits yes|no",
// "pair OPTION VALUE" for each pair, "region X1 Y1 X2 Y2".
std::string source_text(const ProblemSource& s);

// Reads those lines, the first of which is `line` (already read); on success `line` holds the
// line after the region's. Empty, or what is damaged.
std::string read_source(Lines& lines, std::string& line, ProblemSource& out);

// What differs between the source a file was written for and the one given now: empty, or e.g.
// "the piece file (zdroj.txt here, /data/zdroj.txt in the checkpoint)".
std::string source_difference(const ProblemSource& written, const ProblemSource& now);

// Whether the files a source names still hold what they held: empty, or which one changed.
std::string source_files_changed(const ProblemSource& s);

}  // namespace tessera::solve
