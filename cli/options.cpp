#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
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
