#include "app/progress_line.h"

#include <unistd.h>

#include <cstdio>

#include "app/text.h"

namespace tessera {

std::string progress_text(double seconds, const char* unit, std::uint64_t count, int depth, int deepest,
                          const std::string& more) {
    const long whole = static_cast<long>(seconds);
    std::string t = format("%ld:%02ld:%02ld  %s %llu  %.0f/s", whole / 3600, whole / 60 % 60, whole % 60, unit,
                           static_cast<unsigned long long>(count),
                           seconds > 0 ? static_cast<double>(count) / seconds : 0.0);
    if (depth >= 0) t += format("  depth %d", depth);
    return t + format("  deepest %d", deepest) + more;
}

ProgressLine::ProgressLine(bool quiet, double plain_every)
    : quiet_(quiet), terminal_(::isatty(STDERR_FILENO) != 0), plain_every_(plain_every), last_(Clock::now()) {}

bool ProgressLine::due() const {
    if (quiet_) return false;
    const auto since = Clock::now() - last_;
    return terminal_ ? since >= std::chrono::milliseconds(100)
                     : since >= std::chrono::duration<double>(plain_every_);
}

void ProgressLine::show(const std::string& text) {
    if (!due()) return;
    last_ = Clock::now();
    if (terminal_) {
        std::fprintf(stderr, "\r\033[K%s", text.c_str());
        drawn_ = true;
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::fflush(stderr);
}

void ProgressLine::wipe() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace tessera
