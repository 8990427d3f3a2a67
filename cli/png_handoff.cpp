// `tessera` hands PNG pictures to `tessera-png` from the same build, found beside its own binary.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "draw/png_output.h"

extern char** environ;

namespace tessera::cli {

bool draw_placement_png(const std::string& placement, const std::string& pieces, const std::string& output,
                        std::string* why) {
    const std::string self = own_binary();
    const std::string twin = self.substr(0, self.rfind('/') + 1) + "tessera-png";
    std::string args[] = {twin, placement, pieces, output};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), nullptr};
    pid_t pid = 0;
    if (const int err = ::posix_spawn(&pid, twin.c_str(), nullptr, nullptr, argv, environ)) {
        if (why) *why = "cannot run " + twin + ": " + std::strerror(err);
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) break;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (why) *why = twin + " could not draw it";
    return false;
}

}  // namespace tessera::cli
