// The progress line of the command-line front ends, one layout for the search and the solve:
// "0:01:05  passes 12345678  190123/s  depth 52  deepest 54  ...". On a terminal the line is
// drawn over itself; when standard error is a file or a pipe (nohup, Slurm, CI) a plain line is
// written every so many seconds instead, with no terminal escapes.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tessera {

// elapsed seconds as h:mm:ss, the count of this run and its rate, the depth now (or -1 when
// there is none), the deepest depth, and what the caller adds (starting with two blanks).
std::string progress_text(double seconds, const char* unit, std::uint64_t count, int depth, int deepest,
                          const std::string& more = {});

class ProgressLine {
public:
    // `quiet`: nothing at all. `plain_every`: seconds between two plain lines when standard
    // error is no terminal.
    ProgressLine(bool quiet, double plain_every);
    // Whether a call of show() now would print anything: callers can skip building the text.
    bool due() const;
    void show(const std::string& text);
    // Before a message of its own: the terminal's line is wiped.
    void wipe();
    bool on_terminal() const { return terminal_; }

private:
    using Clock = std::chrono::steady_clock;
    bool quiet_, terminal_;
    double plain_every_;
    Clock::time_point last_;
    bool drawn_ = false;
};

}  // namespace tessera
