// `tessera` hands PNG pictures to `tessera-png` from the same build, found beside its own binary.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "app/files.h"
#include "draw/png_output.h"

extern char** environ;

namespace tessera::cli {

bool draw_placement_png(const PngRequest& request, std::string* why) {
    const std::string self = own_binary();
    const std::string twin = self.substr(0, self.rfind('/') + 1) + "tessera-png";
    std::vector<std::string> args = {twin, request.placement, request.pieces, request.output};
    if (request.spots) args.emplace_back("--spots");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (const int err = ::posix_spawn(&pid, twin.c_str(), nullptr, nullptr, argv.data(), environ)) {
        if (why)
            *why = "the PNG is drawn by " + twin + ", which cannot be run (" + std::strerror(err) +
                   "); write an .svg file";
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) break;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    // The drawing program has said why on standard error, which it shares with this one.
    if (why) why->clear();
    return false;
}

}  // namespace tessera::cli
