// SHA-256 (FIPS 180-4) of a byte string, as 64 lower-case hex digits: the manifest of a split
// names its input files by it, so that a changed piece file is noticed before units are solved.
#pragma once

#include <string>
#include <string_view>

namespace tessera::solve {

std::string sha256_hex(std::string_view data);

// The hash of a whole file; false when it cannot be read.
bool sha256_of_file(const std::string& path, std::string& hex);

}  // namespace tessera::solve
