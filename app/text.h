// printf-style formatting into a std::string, for the one-line messages of the program.
#pragma once

#include <string>

namespace tessera {

[[gnu::format(printf, 1, 2)]] std::string format(const char* fmt, ...);

}  // namespace tessera
