#include "app/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/text.h"
#include "search/atomic_file.h"

namespace tessera {

namespace {

// Why a file of this kind is not read, or nullptr for a regular file.
const char* refusal(const struct stat& st) {
    if (S_ISREG(st.st_mode)) return nullptr;
    return S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file can be made in the folder: made and removed again at once.
std::string folder_fault(const std::string& path) {
    std::string probe = folder_of(path) + "/.tessera-probe-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

// A device or a pipe opened for writing without waiting: a pipe that nobody reads fails at once.
std::string special_fault(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENXIO ? "a pipe that nobody reads" : std::strerror(errno);
    ::close(fd);
    return {};
}

}  // namespace

int open_regular_file(const char* path, std::string& reason, bool& refused) {
    reason.clear();
    refused = false;
    struct stat st {};
    if (::stat(path, &st) != 0) return reason = std::strerror(errno), -1;
    if (const char* why = refusal(st)) return refused = true, reason = why, -1;
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return reason = std::strerror(errno), -1;
    const char* why = ::fstat(fd, &st) != 0 ? std::strerror(errno) : refusal(st);
    if (why) {
        refused = true;
        reason = why;
        ::close(fd);
        return -1;
    }
    return fd;
}

FileText read_text_file(const std::string& path, std::size_t limit) {
    FileText out;
    bool refused = false;
    const int fd = open_regular_file(path.c_str(), out.fault, refused);
    if (fd < 0) return out;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            out.fault = std::strerror(errno);
            break;
        }
        if (n == 0) break;
        if (out.text.size() + static_cast<std::size_t>(n) > limit) {
            out.fault = format("larger than %zu bytes, more than a file of this kind holds", limit);
            break;
        }
        out.text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!out.ok()) out.text.clear();
    return out;
}

std::string output_fault(const std::string& path, OutputKind kind) {
    if (path.empty()) return "an empty name";
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return "a folder";
        if (!S_ISREG(st.st_mode)) return kind == OutputKind::File ? "not a regular file" : special_fault(path);
    } else if (errno != ENOENT) {
        return std::strerror(errno);
    }
    return folder_fault(path);
}

bool write_or_say(const std::string& path, const std::string& text) {
    const int err = write_file_atomically(path, text);
    if (err != 0) std::fprintf(stderr, "%s: cannot be written (%s)\n", path.c_str(), std::strerror(err));
    return err == 0;
}

std::string own_binary() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("tessera") : self.string();
}

bool is_special_file(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ec1, ec2;
    const auto pa = std::filesystem::weakly_canonical(a, ec1), pb = std::filesystem::weakly_canonical(b, ec2);
    return !ec1 && !ec2 && pa == pb;
}

}  // namespace tessera
