// Running the tessera command from tests: with its output captured, in the background to be
// signalled, or with something changed in the child before it starts (a limit, dropped
// capabilities).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tessera::test {

struct RunResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    int signal = 0;   // the signal that ended it, if one did
    std::string out;
    std::string err;
};

// Runs `tessera ARGS...` to its end with standard output and standard error read through pipes
// (so that a file size limit set in `in_child` does not touch them). `in_child` runs in the
// child between fork and exec.
RunResult run_tessera(const std::vector<std::string>& args, const std::function<void()>& in_child = {});

// Starts `tessera ARGS...` in the background with its output thrown away, or written to
// `out_path` when one is given. Returns its process id.
pid_t start_tessera(const std::vector<std::string>& args, const std::string& out_path = {});

// Waits for the process; the result holds its status or signal (output stays empty).
RunResult wait_for(pid_t pid);

// Whether this process runs with the power to ignore file permissions (root, usually).
bool ignores_permissions();
// In a child about to exec: takes away the power to ignore file permissions for good. Returns
// false when this system does not allow it.
bool drop_permission_override();
// Whether drop_permission_override works here (tried in a child).
bool can_drop_permission_override();

// The lines of a text.
std::vector<std::string> lines_of(const std::string& text);

// The lines of a standard error text without the start-up's notes on the piece set (pieces
// with more holes than a record holds).
std::vector<std::string> messages(const std::string& err);

// Files of a folder by name.
std::vector<std::string> file_names(const std::filesystem::path& folder);

}  // namespace tessera::test
