// The limit region's options, shared by the commands that read a region as the search does.
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

void add_pair_options(CLI::App& sub, std::string (&pairs)[kPairOptions], bool with_first) {
    for (const ParamSpec& entry : kParamTable) {
        if (entry.part != 0 || (!with_first && std::string_view(entry.option) == "--first")) continue;
        const ParamSpec& y = *(&entry + 1);
        const std::string defaults = std::string(entry.default_text) + "," + y.default_text;
        add_pair_option(&sub, entry.option, pairs[pair_index(entry.option)],
                        std::string(entry.help) + " [" + defaults + "]");
    }
}

}  // namespace tessera::cli
