#include "cli/cli_support.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace tessera::test {

namespace {

[[noreturn]] void exec_tessera(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(TESSERA_BIN));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(TESSERA_BIN, argv.data());
    _exit(127);
}

void read_both(int out_fd, int err_fd, std::string& out, std::string& err) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string* into[2] = {&out, &err};
    int open_count = 2;
    char buf[4096];
    while (open_count > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                into[i]->append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
}

}  // namespace

RunResult run_tessera(const std::vector<std::string>& args, const std::function<void()>& in_child) {
    int out_pipe[2], err_pipe[2];
    if (::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out_pipe[1], 1);
        ::dup2(err_pipe[1], 2);
        ::close(out_pipe[0]), ::close(out_pipe[1]), ::close(err_pipe[0]), ::close(err_pipe[1]);
        if (in_child) in_child();
        exec_tessera(args);
    }
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    RunResult result;
    read_both(out_pipe[0], err_pipe[0], result.out, result.err);
    const RunResult ended = wait_for(pid);
    result.status = ended.status;
    result.signal = ended.signal;
    return result;
}

pid_t start_tessera(const std::vector<std::string>& args, const std::string& out_path) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(out_path.empty() ? "/dev/null" : out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(out, 1);
        ::dup2(null, 2);
        exec_tessera(args);
    }
    return pid;
}

RunResult wait_for(pid_t pid) {
    RunResult result;
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0)
        if (errno != EINTR) return result;
    if (WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) result.signal = WTERMSIG(raw);
    return result;
}

bool ignores_permissions() {
    char folder[] = "/tmp/tessera-perm-XXXXXX";
    if (!::mkdtemp(folder)) return false;
    ::chmod(folder, 0500);
    const std::string probe = std::string(folder) + "/probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd >= 0) {
        ::close(fd);
        ::unlink(probe.c_str());
    }
    ::rmdir(folder);
    return fd >= 0;
}

bool drop_permission_override() {
    // Dropped from the bounding set, they are gone from every program this child executes,
    // even when it runs as root.
    for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
        if (::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0) return false;
    return true;
}

bool can_drop_permission_override() {
    const pid_t pid = ::fork();
    if (pid == 0) _exit(drop_permission_override() ? 0 : 1);
    return wait_for(pid).status == 0;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find('\n', from);
        lines.push_back(text.substr(from, end == std::string::npos ? std::string::npos : end - from));
        if (end == std::string::npos) break;
        from = end + 1;
    }
    return lines;
}

std::vector<std::string> messages(const std::string& err) {
    std::vector<std::string> lines;
    for (std::string& line : lines_of(err)) {
        int piece = 0, orientation = 0, n = 0;
        const bool note = std::sscanf(line.c_str(), "piece %d, orientation %d: a fifth hole %n", &piece, &orientation, &n) == 2 && n > 0;
        if (!note) lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> file_names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace tessera::test
