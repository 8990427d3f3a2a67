// Every file the program writes is written whole or not at all: the text goes to a temporary
// file in the same folder, is flushed and synced, and then renamed over the old file.
#pragma once

#include <cstddef>
#include <string>

namespace tessera {

// A device or pipe is written into directly, and a symbolic link's file is replaced, the link kept.
// Returns 0 on success, else the errno of the step that failed; the old file is then untouched.
int write_file_atomically(const char* path, const char* data, std::size_t size);
inline int write_file_atomically(const std::string& path, const std::string& data) {
    return write_file_atomically(path.c_str(), data.data(), data.size());
}

}  // namespace tessera
