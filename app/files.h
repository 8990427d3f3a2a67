// Every file the program reads, and every output it is told to write, goes through here. A name
// that is not a regular file (a FIFO, a device such as /dev/zero, a folder) is refused before it
// can block or run forever, what is read is capped, and outputs are tried before any work
// starts, so that a day's search never ends with nowhere to put its result.
#pragma once

#include <cstddef>
#include <string>

namespace tessera {

// Opens a regular file for reading without waiting: the name is looked at first, opened with
// O_NONBLOCK and looked at again (it may have changed in between). Returns the descriptor, or
// -1 with `reason` set and `refused` telling whether the name was there but no regular file.
int open_regular_file(const char* path, std::string& reason, bool& refused);

// The most a text file of this program may hold: checkpoints and journals of large jobs.
inline constexpr std::size_t kTextFileLimit = std::size_t{512} << 20;

struct FileText {
    std::string text;
    std::string fault;  // empty when read: else why not, e.g. "not a regular file"
    bool ok() const { return fault.empty(); }
};

// A whole regular file of at most `limit` bytes.
FileText read_text_file(const std::string& path, std::size_t limit = kTextFileLimit);

enum class OutputKind {
    File,          // a regular file or a new name only (checkpoints, journals, manifests)
    FileOrDevice,  // also a device or a pipe with a reader, which is written into (-o /dev/null)
};

// Whether `path` can be written, tried without writing it: the name is not empty, not a folder,
// of the kind allowed, and its folder takes a new file. Empty, or the reason it cannot.
std::string output_fault(const std::string& path, OutputKind kind);

// Whether the name is a device or a pipe (not a regular file, not a folder).
bool is_special_file(const std::string& path);

// Writes a file whole (see search/atomic_file.h); false after one line naming it and why not.
bool write_or_say(const std::string& path, const std::string& text);

// The path of the running program, for job scripts and child processes ("tessera" if unknown).
std::string own_binary();

// Whether two names are the same file (or, for names not there yet, the same path).
bool same_file(const std::string& a, const std::string& b);

}  // namespace tessera
