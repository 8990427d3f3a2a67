#include "cli/options.h"

#include "app/progress_line.h"
#include "app/stop_signals.h"
#include "app/text.h"
#include "cli/commands.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <vector>
#include <cmath>
#include <limits>
#include <string_view>

namespace tessera::cli {

namespace {

// The whole text as an integer of type T, or false.
template <typename T>
bool whole_number(std::string_view text, T& out) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

[[noreturn]] void refuse(const std::string& name, const std::string& text, const std::string& accepts) {
    throw CLI::ValidationError(name, "'" + text + "' is not " + accepts);
}

}  // namespace

CLI::Option* add_count_option(CLI::App* sub, const std::string& name, std::int64_t& target, std::int64_t least,
                              const std::string& help) {
    const auto read = [&target, name, least](const std::string& text) {
        std::int64_t value = 0;
        if (!whole_number(text, value) || value < least)
            refuse(name, text,
                   "a whole number of decimal digits from " + std::to_string(least) + " to " +
                       std::to_string(std::numeric_limits<std::int64_t>::max()));
        target = value;
    };
    return sub->add_option_function<std::string>(name, read, help)->type_name("N");
}

CLI::Validator whole_number_from(std::int64_t least, std::int64_t most) {
    return CLI::Validator(
        [least, most](std::string& text) -> std::string {
            std::int64_t value = 0;
            if (!whole_number(text, value)) return "'" + text + "' is not a whole number";
            if (value < least || value > most)
                return "'" + text + "' is not from " + std::to_string(least) + " to " + std::to_string(most);
            return {};
        },
        "");
}

std::string option_with_empty_value(const CLI::App& app) {
    for (const CLI::Option* opt : app.get_options()) {
        if (opt->get_type_size_min() == 0 || opt->count() == 0) continue;
        for (const std::string& value : opt->results())
            if (value.empty()) return opt->get_name();
    }
    for (const CLI::App* sub : app.get_subcommands())
        if (std::string name = option_with_empty_value(*sub); !name.empty()) return name;
    return {};
}

namespace {

[[noreturn]] void on_terminate() {
    const char* what = "an unknown fault";
    try {
        if (const std::exception_ptr e = std::current_exception()) std::rethrow_exception(e);
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    std::fprintf(stderr, "tessera: stopped by %s; files already written are whole\n", what);
    std::_Exit(2);
}

}  // namespace

int last_resort(const std::function<int()>& command) {
    std::set_terminate(on_terminate);
    try {
        return command();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessera: stopped by %s; files already written are whole\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "tessera: stopped by an unknown fault; files already written are whole\n");
    }
    return kUsageError;
}

void add_problem_options(CLI::App& sub, solve::ProblemOptions& opt) {
    sub.add_option("--pieces", opt.pieces, "piece source file")->capture_default_str()->type_name("FILE");
    sub.add_option("--resume", opt.resume, "placement to complete: its pieces stay where they are")->type_name("FILE");
    sub.add_flag("--limits", opt.limits, "complete only the limit region of the search, not the whole board");
    add_pair_options(sub, opt.pairs, false);
    sub.add_option("-C", opt.work_dir, "working directory: the files are read and written there")->type_name("DIR");
}

void note_problem_given(const CLI::App& sub, solve::ProblemOptions& opt) {
    std::size_t given = sub.count("--pieces") + sub.count("--resume") + sub.count("--limits");
    for (int i = 0; i < kPairOptions; ++i) given += opt.pairs[i].empty() ? 0 : 1;
    opt.problem_given = given != 0;
}

namespace {

std::string solve_progress_text(const solve::Progress& p) {
    std::string more = format("  tilings %llu", static_cast<unsigned long long>(p.tilings));
    if (p.tree > 0) more += format("  tree ~%.2g nodes +-%.0f%%", p.tree, 100 * p.spread);
    return progress_text(p.seconds, "nodes", p.nodes - p.carried, -1, p.deepest, more);
}

}  // namespace

solve::RunHooks terminal_hooks(bool quiet, double plain_every) {
    catch_stop_signals();
    solve::RunHooks hooks;
    hooks.should_stop = [] { return stop_requested(); };
    if (!quiet) {
        auto line = std::make_shared<ProgressLine>(quiet, plain_every);
        hooks.show_progress = [line](const solve::Progress& p) {
            if (line->due()) line->show(solve_progress_text(p));
        };
        hooks.wipe_progress = [line] { line->wipe(); };
        hooks.show_text = [line](const std::string& text) {
            if (line->due()) line->show(text);
        };
    }
    return hooks;
}

namespace {

// What an option's value is, for the help: our own names as given, the parser's type names
// turned into words a user reads.
std::string value_name(const CLI::Option* opt) {
    const std::string type = opt->get_type_name();
    if (type == "S") return "SECONDS";
    if (type == "INT" || type == "UINT" || type == "INT:INT" || type == "UINT:UINT") return "N";
    if (type == "FLOAT") return "SECONDS";
    if (type != "TEXT") return type;
    const std::string name = opt->get_name();
    const std::string& what = opt->get_description();
    const bool folder = what.find("folder") != std::string::npos || what.find("directory") != std::string::npos;
    if (name == "-C" || name == "DIR" || name == "--manifest" || (name == "-o" && folder)) return "DIR";
    if (name == "--task" || name == "--job") return "NAME";
    return "FILE";
}

class PlainHelp : public CLI::Formatter {
public:
    // A negated flag is shown by its name alone, without the value it stores.
    std::string make_option_name(const CLI::Option* opt, bool is_positional) const override {
        if (is_positional) return opt->get_name(true, false);
        std::string name = opt->get_name(false, true);
        for (std::size_t open = name.find('{'); open != std::string::npos; open = name.find('{'))
            name.erase(open, name.find('}', open) - open + 1);
        return name;
    }
    std::string make_option_opts(const CLI::Option* opt) const override {
        if (opt->get_type_size() == 0 || !opt->nonpositional()) return {};  // a flag, or named by itself
        std::string out = " " + value_name(opt);
        if (opt->get_expected_max() > 1 && out.find("...") == std::string::npos) out += " ...";
        std::string given = opt->get_default_str();
        // A list's default comes in brackets of its own.
        if (given.size() >= 2 && given.front() == '[' && given.back() == ']') given = given.substr(1, given.size() - 2);
        if (!given.empty()) out += " [" + given + "]";
        if (opt->get_required()) out += " (required)";
        return out;
    }
};

std::size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

void use_plain_help(CLI::App& app) { app.formatter(std::make_shared<PlainHelp>()); }

std::string nearest_command(const CLI::App& app, const std::string& typed) {
    std::string best;
    std::size_t best_distance = 3;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        const std::size_t d = edit_distance(typed, sub->get_name());
        if (d < best_distance) best = sub->get_name(), best_distance = d;
    }
    return best;
}

CLI::Option* add_seconds_option(CLI::App* sub, const std::string& name, double& target, const std::string& help,
                                bool above_zero) {
    const auto read = [&target, name, above_zero](const std::string& text) {
        double value = 0;
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value) || value < 0 ||
            (above_zero && value == 0))
            refuse(name, text,
                   above_zero ? "a number of seconds above 0, such as 30 or 2.5"
                              : "a number of seconds, 0 or more, such as 30 or 2.5");
        target = value;
    };
    return sub->add_option_function<std::string>(name, read, help)->type_name("S");
}

CLI::Option* add_pair_option(CLI::App* sub, const std::string& name, std::string& target, const std::string& help) {
    const auto read = [&target, name](const std::string& text) {
        const std::size_t comma = text.find(',');
        std::int32_t x = 0, y = 0;
        if (comma == std::string::npos || !whole_number(std::string_view(text).substr(0, comma), x) ||
            !whole_number(std::string_view(text).substr(comma + 1), y))
            refuse(name, text, "two whole numbers X,Y, such as 10,21");
        target = text;
    };
    return sub->add_option_function<std::string>(name, read, help)->type_name("X,Y");
}

}  // namespace tessera::cli
