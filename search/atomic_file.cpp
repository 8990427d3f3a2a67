#include "search/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace tessera {

namespace {

int write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// The folder of `path` (or "." for a bare name), so that the rename itself can be made durable.
void sync_folder(const char* path) {
    char folder[PATH_MAX];
    const char* slash = std::strrchr(path, '/');
    if (!slash) {
        std::strcpy(folder, ".");
    } else {
        const std::size_t len = slash == path ? 1 : static_cast<std::size_t>(slash - path);
        if (len >= sizeof folder) return;
        std::memcpy(folder, path, len);
        folder[len] = '\0';
    }
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A device or a pipe (`-o /dev/null`, `-o /dev/stdout`) is written into: renaming a file over
// it would put a plain file in its place, which as root breaks /dev/null for the whole machine.
// The open does not wait for a reader (a pipe that nobody reads fails with ENXIO at once); the
// writes then wait as they would on any pipe.
int write_into_special(const char* path, const char* data, std::size_t size) {
    const int fd = ::open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    int err = write_all(fd, data, size);
    if (::close(fd) != 0 && err == 0) err = errno;
    return err;
}

}  // namespace

int write_file_atomically(const char* path, const char* data, std::size_t size) {
    struct stat target {};
    if (::stat(path, &target) == 0 && !S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode))
        return write_into_special(path, data, size);
    // Through a symbolic link, the file it names is replaced and the link kept.
    char resolved[PATH_MAX];
    if (::lstat(path, &target) == 0 && S_ISLNK(target.st_mode) && ::realpath(path, resolved) != nullptr)
        path = resolved;
    char temp[PATH_MAX];
    if (std::snprintf(temp, sizeof temp, "%s.tmpXXXXXX", path) >= static_cast<int>(sizeof temp)) return ENAMETOOLONG;
    const int fd = ::mkstemp(temp);
    if (fd < 0) return errno;
    // A replaced file keeps its permissions; a new one is readable by all.
    struct stat old {};
    const mode_t mode = ::stat(path, &old) == 0 ? (old.st_mode & 07777) : 0644;
    int err = 0;
    if (::fchmod(fd, mode) != 0) err = errno;
    if (err == 0) err = write_all(fd, data, size);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && ::rename(temp, path) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp);
        return err;
    }
    sync_folder(path);
    return 0;
}

}  // namespace tessera
