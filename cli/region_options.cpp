// The limit region's options, shared by the commands that read a region as the search does,
// and the small file helpers of the commands.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "app/search_params.h"
#include "app/stop_signals.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "search/atomic_file.h"

namespace tessera::cli {

volatile std::sig_atomic_t g_stop_signal = 0;

namespace {

extern "C" void on_stop_signal(int) { g_stop_signal = 1; }

}  // namespace

void catch_stop_signals() { tessera::catch_stop_signals(on_stop_signal); }

std::string own_binary() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("tessera") : self.string();
}

// Writes a file whole; false after one line naming it.
bool write_or_say(const std::string& path, const std::string& text) {
    const int err = write_file_atomically(path, text);
    if (err != 0) std::fprintf(stderr, "%s: cannot be written (%s)\n", path.c_str(), std::strerror(err));
    return err == 0;
}

int pair_index(const char* option) {
    int index = -1;
    const char* last = nullptr;
    for (const ParamSpec& entry : kParamTable) {
        if (!last || std::string_view(last) != entry.option) ++index, last = entry.option;
        if (std::string_view(option) == entry.option) return index;
    }
    return -1;
}

std::string pair_option(int index) {
    for (const ParamSpec& entry : kParamTable)
        if (pair_index(entry.option) == index) return entry.option;
    return {};
}

void add_pair_options(CLI::App& sub, std::string (&pairs)[kPairOptions], bool with_first) {
    for (const ParamSpec& entry : kParamTable) {
        if (entry.part != 0 || (!with_first && std::string_view(entry.option) == "--first")) continue;
        const ParamSpec& y = *(&entry + 1);
        const std::string defaults = std::string(entry.default_text) + "," + y.default_text;
        add_pair_option(&sub, entry.option, pairs[pair_index(entry.option)],
                        std::string(entry.help) + " [" + defaults + "]");
    }
}

void fill_panel(MemoryPanel& panel, bool limits, const std::string& resume,
                const std::string (&pairs)[kPairOptions]) {
    panel.set_checked(limits);
    panel.set_text(Control::Edit1, resume);
    for (const ParamSpec& entry : kParamTable) {
        const std::string& pair = pairs[pair_index(entry.option)];
        if (pair.empty()) continue;
        const std::size_t comma = pair.find(',');
        const std::string part = entry.part == 0 ? pair.substr(0, comma)
                                                : (comma == std::string::npos ? std::string() : pair.substr(comma + 1));
        panel.set_text(entry.control, part);
    }
}

}  // namespace tessera::cli
