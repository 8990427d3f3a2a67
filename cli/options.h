// Options whose values are read strictly: a usage error names the option and what it accepts,
// in one line, and the program exits with status 2 before anything is read or written.
#pragma once

#include <cstdint>
#include <string>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace tessera::cli {

// A count of decimal digits only (no sign, no hex, no exponent) from `least` up to the 64-bit
// limit; anything else, an overflow too, is refused.
CLI::Option* add_count_option(CLI::App* sub, const std::string& name, std::int64_t& target, std::int64_t least,
                              const std::string& help);

// A finite decimal number of seconds, 0 or more, or with `above_zero` more than 0 ("nan" and
// "inf" are refused).
CLI::Option* add_seconds_option(CLI::App* sub, const std::string& name, double& target, const std::string& help,
                                bool above_zero = false);

// Two whole numbers "X,Y" that fit 32 bits; the text is kept as given.
CLI::Option* add_pair_option(CLI::App* sub, const std::string& name, std::string& target, const std::string& help);

// Exit status of a usage error.
inline constexpr int kUsageError = 2;

}  // namespace tessera::cli
