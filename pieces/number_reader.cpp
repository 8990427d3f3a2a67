#include "pieces/number_reader.h"

#include "app/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace tessera {

namespace {
bool is_space(int ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r'; }

void skip_byte_order_mark(std::FILE* file) {
    unsigned char head[3];
    const std::size_t n = std::fread(head, 1, sizeof head, file);
    if (n != 3 || head[0] != 0xEF || head[1] != 0xBB || head[2] != 0xBF) std::rewind(file);
}

}  // namespace

std::FILE* open_number_file(const char* path, std::string& reason) {
    bool refused = false;
    const int fd = open_regular_file(path, reason, refused);
    // A name that cannot be opened at all (missing, no permission) is told by the caller's own
    // line; a name that is there but no file to read gets the reason beside it.
    if (fd < 0) {
        if (!refused) reason.clear();
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "r");
    if (!file) {
        reason = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    skip_byte_order_mark(file);
    return file;
}

NumberReader::Status NumberReader::next() {
    errno = 0;
    int ch = std::getc(file_);
    while (ch != EOF && is_space(ch)) {
        if (ch == '\n') ++line_;
        ch = std::getc(file_);
    }
    token_line_ = line_;
    token_[0] = '\0';
    if (ch == EOF && std::ferror(file_)) return error_ = errno, Status::Error;
    if (ch == EOF) return Status::End;

    std::size_t len = 0;
    bool negative = false;
    bool digits = false;
    bool number = true;
    std::uint64_t magnitude = 0;
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
    for (std::size_t i = 0; ch != EOF && !is_space(ch); ++i, ch = std::getc(file_)) {
        if (len + 1 < sizeof token_) token_[len++] = ch == '\0' ? '?' : static_cast<char>(ch);
        if (i == 0 && (ch == '+' || ch == '-')) {
            negative = ch == '-';
        } else if (ch >= '0' && ch <= '9') {
            digits = true;
            const std::uint64_t d = static_cast<unsigned>(ch - '0');
            magnitude = magnitude > kLimit / 10 ? kLimit : magnitude * 10 + d;
            if (magnitude > kLimit) magnitude = kLimit;
        } else {
            number = false;
        }
    }
    if (ch == EOF && std::ferror(file_)) return error_ = errno, Status::Error;
    if (ch == '\n') ungetc(ch, file_);
    token_[len] = '\0';
    if (!number || !digits) return Status::NotNumber;
    if (magnitude > kLimit - 1) magnitude = negative ? kLimit : kLimit - 1;
    value_ = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return Status::Number;
}

}  // namespace tessera
