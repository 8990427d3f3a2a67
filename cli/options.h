// Options whose values are read strictly: a usage error names the option and what it accepts,
// in one line, and the program exits with status 2 before anything is read or written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "solve/run.h"

namespace CLI {
class App;
class Option;
class Validator;
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

// A whole number of decimal digits from `least` to `most`, for an option bound to an integer:
// "'abc' is not a whole number" or "'0' is not from 1 to 1024", the same words everywhere.
CLI::Validator whole_number_from(std::int64_t least, std::int64_t most);

// After the parse: the name of the first option given an empty value ("" means nothing, and a
// name that is nothing would be taken for "not given"), or an empty string.
std::string option_with_empty_value(const CLI::App& app);

// Runs a command with a last resort around it: an exception that nothing else caught (memory
// that ran out, a file system that failed in a way nobody foresaw) ends the program with one
// line and exit status 2, never an abort; on another thread too.
int last_resort(const std::function<int()>& command);

// --pieces, --resume, --limits, the region's pairs and -C: the options that state a problem.
void add_problem_options(CLI::App& sub, solve::ProblemOptions& opt);
// After the parse: notes in `opt` whether any of them was given.
void note_problem_given(const CLI::App& sub, solve::ProblemOptions& opt);

// What a command hands a solve's run: the stop signals as its "go on?" (caught from now on), and
// unless `quiet`, its progress line on standard error (a plain line every `plain_every` seconds
// when that is no terminal).
solve::RunHooks terminal_hooks(bool quiet, double plain_every);

// The help of every command: each value named by what it takes (FILE, DIR, N, SECONDS, X,Y)
// with its default, none of the parser's own notes on types and ranges.
void use_plain_help(CLI::App& app);

// The subcommand nearest to a mistyped one (at most two letters off), or an empty string.
std::string nearest_command(const CLI::App& app, const std::string& typed);

// Exit status of a usage error.
inline constexpr int kUsageError = 2;

}  // namespace tessera::cli
