#include "pieces/file_notes.h"

#include <cstdarg>
#include <cstdio>

namespace tessera {

void FileNotes::add(const char* fmt, ...) {
    if (shown_ == kShown) {
        ++left_out_;
        return;
    }
    ++shown_;
    va_list args;
    va_start(args, fmt);
    std::vfprintf(stderr, fmt, args);
    va_end(args);
    std::fputc('\n', stderr);
}

void FileNotes::end(const char* file) {
    if (left_out_ > 0) std::fprintf(stderr, "%s: %ld more notes like these are not shown\n", file, left_out_);
    left_out_ = 0;
}

}  // namespace tessera
