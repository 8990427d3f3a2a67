// The limit region's options, shared by the commands that read a region as the search does.
#include <CLI/CLI.hpp>

#include <csignal>
#include <string>
#include <string_view>

#include "app/search_params.h"
#include "app/stop_signals.h"
#include "cli/commands.h"

namespace tessera::cli {

volatile std::sig_atomic_t g_stop_signal = 0;

namespace {

extern "C" void on_stop_signal(int) { g_stop_signal = 1; }

}  // namespace

void catch_stop_signals() { tessera::catch_stop_signals(on_stop_signal); }

int pair_index(const char* option) {
    int index = -1;
    const char* last = nullptr;
    for (const ParamSpec& entry : kParamTable) {
        if (!last || std::string_view(last) != entry.option) ++index, last = entry.option;
        if (std::string_view(option) == entry.option) return index;
    }
    return -1;
}

void add_pair_options(CLI::App& sub, std::string (&pairs)[kPairOptions], bool with_first) {
    for (const ParamSpec& entry : kParamTable) {
        if (entry.part != 0 || (!with_first && std::string_view(entry.option) == "--first")) continue;
        const ParamSpec& y = *(&entry + 1);
        const std::string defaults = std::string(entry.default_text) + "," + y.default_text;
        sub.add_option(entry.option, pairs[pair_index(entry.option)], std::string(entry.help) + " [" + defaults + "]")
            ->type_name("X,Y");
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
