// Reads a text file of white-space separated decimal integers, one token at a time, and keeps
// the line of each token so that a fault can be named by file and line. A token that is not
// wholly a number stops the reading; nothing is allocated and nothing can make it loop.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tessera {

class NumberReader {
public:
    // Error: the file could not be read (a folder, an input/output error); error() says why.
    enum class Status { Number, End, NotNumber, Error };

    explicit NumberReader(std::FILE* file) : file_(file) {}

    // The next token. For Number, value() holds it (saturated at the 64-bit range).
    Status next();
    std::int64_t value() const { return value_; }
    // Line (from 1) on which the last token started, or where the file ended.
    long line() const { return token_line_; }
    // The last token's text, cut to a length fit for a message.
    const char* token() const { return token_; }
    // The errno of the failed read, after Status::Error.
    int error() const { return error_; }

private:
    std::FILE* file_;
    long line_ = 1;
    long token_line_ = 1;
    std::int64_t value_ = 0;
    char token_[41] = {};
    int error_ = 0;
};

// Opens a file of numbers for reading, past a UTF-8 byte-order mark at its start. Only a regular
// file is opened: a FIFO would block in the open and a device such as /dev/zero never ends, so
// the name is looked at first and opened without waiting. On failure returns nullptr with
// `reason` empty when the name cannot be opened at all (missing, no permission), else saying
// why it is refused ("not a regular file", "Is a directory").
std::FILE* open_number_file(const char* path, std::string& reason);

// Whether a 64-bit value fits a 32-bit field and lies in [lo, hi].
constexpr bool in_range(std::int64_t v, std::int64_t lo, std::int64_t hi) { return v >= lo && v <= hi; }

}  // namespace tessera
